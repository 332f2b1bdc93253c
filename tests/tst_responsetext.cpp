#include "responsetext.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace zem;

namespace {

// The field's text as the per-byte rule builds it: each byte, in arrival order, goes in front.
QString byteByByte(QString field, const QByteArray &bytes)
{
    for (const char byte : bytes)
        field = QString::number(static_cast<uchar>(byte)) + QStringLiteral(" ") + field;
    return field;
}

// The same text built from the other end, for long streams.
QString newestFirst(const QByteArray &bytes)
{
    QString text;
    for (auto it = bytes.crbegin(); it != bytes.crend(); ++it)
        text += QString::number(static_cast<uchar>(*it)) + QLatin1Char(' ');
    return text;
}

QString latin1(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace

class tst_ResponseText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void batches_data();
    void batches();
    void anyChunkingGivesTheByteByByteText();
    void trimKeepsTheNewestWholeNumbers_data();
    void trimKeepsTheNewestWholeNumbers();
    void trimOverARandomStream();
};

void tst_ResponseText::batches_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("after");
    QTest::newRow("nothing") << QStringLiteral("7 ") << QByteArray() << QStringLiteral("7 ");
    QTest::newRow("NUL") << QString() << QByteArray(1, '\0') << QStringLiteral("0 ");
    QTest::newRow("0xFF") << QString() << QByteArray("\xFF") << QStringLiteral("255 ");
    QTest::newRow("newest first") << QString() << QByteArray("\x48\x69\x0D") << QStringLiteral("13 105 72 ");
    QTest::newRow("in front of what is there")
        << QStringLiteral("13 105 72 ") << QByteArray("\x06") << QStringLiteral("6 13 105 72 ");
    QTest::newRow("in front of typed text")
        << QStringLiteral("abc") << QByteArray("\x0A\x64") << QStringLiteral("100 10 abc");
}

void tst_ResponseText::batches()
{
    QFETCH(QString, before);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, after);
    QCOMPARE(prependReceived(before, latin1(bytes)), after);
}

void tst_ResponseText::anyChunkingGivesTheByteByByteText()
{
    QRandomGenerator random(4242);
    for (int round = 0; round < 500; ++round) {
        QByteArray bytes(random.bounded(0, 300), '\0');
        for (char &b : bytes)
            b = static_cast<char>(random.bounded(256));
        QString field;
        for (qsizetype at = 0; at < bytes.size();) {
            const qsizetype chunk = std::min<qsizetype>(random.bounded(1, 40), bytes.size() - at);
            field = prependReceived(field, latin1(bytes.mid(at, chunk)));
            at += chunk;
        }
        QCOMPARE(field, byteByByte(QString(), bytes));
    }
}

void tst_ResponseText::trimKeepsTheNewestWholeNumbers_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("after");
    QTest::newRow("fits exactly") << QStringLiteral("1 2 ") << QByteArray("\x03") << 6
                                  << QStringLiteral("3 1 2 ");
    QTest::newRow("drops the oldest")
        << QStringLiteral("1 2 ") << QByteArray("\x03") << 5 << QStringLiteral("3 1 ");
    QTest::newRow("never half a number")
        << QStringLiteral("200 100 ") << QByteArray("\x07") << 9 << QStringLiteral("7 200 ");
    QTest::newRow("batch alone too long")
        << QString() << QByteArray("\xC8\xC8\xC8") << 9 << QStringLiteral("200 200 ");
    QTest::newRow("nothing fits") << QStringLiteral("1 ") << QByteArray("\xC8") << 3 << QString();
}

void tst_ResponseText::trimKeepsTheNewestWholeNumbers()
{
    QFETCH(QString, before);
    QFETCH(QByteArray, bytes);
    QFETCH(int, limit);
    QFETCH(QString, after);
    QCOMPARE(prependReceived(before, latin1(bytes), limit), after);
}

void tst_ResponseText::trimOverARandomStream()
{
    QRandomGenerator random(77);
    QByteArray all;
    QString field;
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes(random.bounded(1, 1025), '\0');
        for (char &b : bytes)
            b = static_cast<char>(random.bounded(256));
        all += bytes;
        field = prependReceived(field, latin1(bytes));
        QVERIFY(field.size() <= ResponseLimit);
        QVERIFY(field.endsWith(u' '));
    }
    // What is left is exactly the newest bytes, and as many as fit.
    const QString full = newestFirst(all);
    QVERIFY(full.startsWith(field));
    QVERIFY(full.size() > ResponseLimit);
    QVERIFY(full.indexOf(u' ', field.size()) + 1 > ResponseLimit);
}

QTEST_APPLESS_MAIN(tst_ResponseText)
#include "tst_responsetext.moc"
