// The pure pieces, each against a few-line model of its rule.
#include "hexbyte.h"
#include "oncommpacer.h"
#include "portmap.h"
#include "responsetext.h"
#include "sendcheck.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace zem;

namespace {

// An ASCII hex digit's value, else -1.
int digit(QChar c)
{
    return c.unicode() < 0x80 ? int(QStringLiteral("0123456789abcdef").indexOf(c.toLower())) : -1;
}

// The response field after `bytes` arrived on `typed`: every byte newest first, cut to whole numbers.
QString response(const QByteArray &bytes, const QString &typed, int limit)
{
    QString text;
    for (auto it = bytes.crbegin(); it != bytes.crend(); ++it)
        text += QString::number(uchar(*it)) + u' ';
    text += typed;
    if (text.size() > limit)
        text.truncate(text.lastIndexOf(u' ', limit - 1) + 1);
    return text;
}

} // namespace

class tst_Codecs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hexEntriesFollowTheRule();
    void rowChecks_data();
    void rowChecks();
    void responseKeepsTheNewestWholeNumbers();
    void pacingKeepsTheWindowCheapAndCurrent_data();
    void pacingKeepsTheWindowCheapAndCurrent();
    void comNumbersGoToTheSystemsPorts_data();
    void comNumbersGoToTheSystemsPorts();
};

void tst_Codecs::hexEntriesFollowTheRule()
{
    // Every one-character entry stands for both digits; of longer ones only the ends count.
    for (int code = 0; code <= 0xFFFF; ++code) {
        const QChar c{char16_t(code)};
        if (HexStr(QString(c)) != 17 * digit(c) || isHexEntry(QString(c)) != (digit(c) >= 0))
            QFAIL(qPrintable(QStringLiteral("U+%1").arg(code, 4, 16)));
    }
    QString alphabet;
    for (char16_t c = 0; c < 0x80; ++c)
        alphabet += QChar(c);
    alphabet += QStringLiteral("\u00FF\uFF15\U0001D7D9");
    QRandomGenerator random(1);
    for (const QChar first : alphabet) {
        for (const QChar last : alphabet) {
            QString entry = QString(first) + last;
            if (random.bounded(4) == 0)
                entry.insert(1, alphabet.at(random.bounded(int(alphabet.size()))));
            const bool digits =
                std::all_of(entry.cbegin(), entry.cend(), [](QChar c) { return digit(c) >= 0; });
            QCOMPARE(int(HexStr(entry)), 16 * digit(first) + digit(last));
            QCOMPARE(isHexEntry(entry), digits);
        }
    }
}

void tst_Codecs::rowChecks_data()
{
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<int>("badEntry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("widePosition");
    QTest::newRow("gaps, Latin-1") << QStringList{QStringLiteral("01"), {}, QStringLiteral("FF")} << -1
                                   << QStringLiteral("\u00FF\u00E9\0AT") << 0;
    QTest::newRow("first bad, euro") << QStringList{{}, QStringLiteral("zz"), QStringLiteral("1G")} << 1
                                     << QStringLiteral("ab\u20AC") << 3;
    QTest::newRow("space, pair counts once")
        << QStringList{QStringLiteral("5 ")} << 0 << QStringLiteral("\U0001F600x\u0101") << 1;
}

void tst_Codecs::rowChecks()
{
    QFETCH(QStringList, row);
    QFETCH(int, badEntry);
    QFETCH(QString, text);
    QFETCH(int, widePosition);
    QCOMPARE(firstBadHexEntry(row), badEntry);
    QCOMPARE(firstWideChar(text).position, widePosition);
}

void tst_Codecs::responseKeepsTheNewestWholeNumbers()
{
    QRandomGenerator random(2);
    for (int round = 0; round < 300; ++round) {
        const int limit = round % 3 ? ResponseLimit : random.bounded(1, 64);
        const QString typed = round % 5 ? QString() : QStringLiteral("12 ab");
        QByteArray all;
        QString field = typed;
        for (int batch = random.bounded(1, 12); batch > 0; --batch) {
            QByteArray bytes(random.bounded(0, round % 3 ? 40000 : 30), '\0');
            for (char &b : bytes)
                b = char(random.bounded(256));
            all += bytes;
            field = prependReceived(field, QString::fromLatin1(bytes), limit);
        }
        QCOMPARE(field, response(all, typed, limit));
    }
}

void tst_Codecs::pacingKeepsTheWindowCheapAndCurrent_data()
{
    QTest::addColumn<qint64>("cost");
    for (const qint64 cost : {0, 1, 4, 10, 40})
        QTest::addRow("%lld ms a handler", cost) << cost;
}

void tst_Codecs::pacingKeepsTheWindowCheapAndCurrent()
{
    // Ten seconds of a byte every millisecond, each OnComm costing `cost`.
    QFETCH(qint64, cost);
    OnCommPacer pacer;
    qint64 due = -1, oldest = 0, busy = 0, lag = 0;
    for (qint64 now = 0; now < 10000; ++now) {
        if (due >= 0 && now >= due) {
            pacer.handled(now, now + cost);
            busy += cost;
            lag = std::max(lag, now + cost - oldest);
            now += cost;
            due = -1;
        }
        const qint64 wait = pacer.arrived(now);
        if (due < 0)
            due = now + wait, oldest = now;
    }
    QVERIFY2(lag <= 450, qPrintable(QString::number(lag)));
    // Painting costs about as much again: together at most 5% of the time while handlers are cheap.
    if (cost <= 10)
        QVERIFY2(2 * busy <= 10000 * 5 / 100, qPrintable(QString::number(busy)));
    // A lone byte after a quiet spell goes at once.
    QCOMPARE(pacer.arrived(10000 + OnCommPacer::QuietMs + cost), 0);
}

void tst_Codecs::comNumbersGoToTheSystemsPorts_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("link"); // made at /dev/ttyS1
    QTest::addColumn<QString>("com");  // what Com 1 to 4 open
    const auto dev = [](const char *names) {
        QStringList paths;
        for (const QString &name : QString::fromLatin1(names).split(u' ', Qt::SkipEmptyParts))
            paths.append(QStringLiteral("/dev/") + name);
        return paths;
    };
    QTest::newRow("one adapter") << dev("ttyUSB0") << QString() << QStringLiteral("/dev/ttyUSB0,,,");
    QTest::newRow("built-in and adapters")
        << dev("ttyACM0 ttyUSB1 ttyS0 ttyUSB0") << QString()
        << QStringLiteral("/dev/ttyS0,/dev/ttyUSB0,/dev/ttyUSB1,/dev/ttyACM0");
    QTest::newRow("a link pins Com 2") << dev("ttyUSB0 ttyUSB1") << QStringLiteral("/dev/ttyUSB1")
                                       << QStringLiteral("/dev/ttyUSB0,/dev/ttyS1,,");
    QTest::newRow("more ports than numbers")
        << dev("rfcomm0 ttyUSB10 ttyACM1 ttyUSB2 ttyS4 ttyAMA0") << QString()
        << QStringLiteral("/dev/ttyUSB2,/dev/ttyUSB10,/dev/ttyACM1,/dev/rfcomm0");
    QTest::newRow("none") << QStringList() << QString() << QStringLiteral(",,,");
}

void tst_Codecs::comNumbersGoToTheSystemsPorts()
{
    QFETCH(QStringList, listed);
    QFETCH(QString, link);
    QFETCH(QString, com);
    SystemPorts system;
    for (const QString &path : listed)
        system.listed.append({path, QStringLiteral("UART"), QStringLiteral("Maker")});
    if (!link.isEmpty())
        system.links.insert(QStringLiteral("/dev/ttyS1"), link);
    const ComMap map = assignComPorts(system);
    QStringList paths;
    for (const SerialDevice &device : map)
        paths.append(device.path);
    QCOMPARE(paths.join(u','), com);
    if (!map[0].path.isEmpty())
        QCOMPARE(describeComPort(1, map), map[0].path + QStringLiteral(" - UART (Maker)"));
}

QTEST_APPLESS_MAIN(tst_Codecs)
#include "tst_codecs.moc"
