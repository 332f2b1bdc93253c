#include "responsetext.h"
#include "zemfixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QtTest>

#include <sys/resource.h>

namespace {

// CPU time this process used, in milliseconds.
qint64 cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Received bytes as the field should show them: newest first, trimmed to whole numbers.
QString expectedResponse(const QByteArray &bytes)
{
    QString text;
    for (auto it = bytes.crbegin(); it != bytes.crend() && text.size() <= zem::ResponseLimit; ++it)
        text += QString::number(static_cast<uchar>(*it)) + QLatin1Char(' ');
    if (text.size() > zem::ResponseLimit)
        text.truncate(text.lastIndexOf(u' ', zem::ResponseLimit - 1) + 1);
    return text;
}

// Any characters an operator might produce: digits, letters, spaces, Latin-1, other scripts,
// characters outside the BMP, control characters.
QString randomText(QRandomGenerator &random)
{
    static const QString pool =
        QStringLiteral("0123456789abcdefABCDEFgGxX \t\u00E9\u00FF\u0100\u20AC\u4E2D\uFF11");
    QString text;
    const int length = random.bounded(1, 6);
    for (int i = 0; i < length; ++i) {
        switch (random.bounded(8)) {
        case 0:
            text += QString::fromUcs4(U"\U0001F600", 1);
            break;
        case 1:
            text += QChar(static_cast<char16_t>(random.bounded(0x20)));
            break;
        default:
            text += pool.at(random.bounded(static_cast<int>(pool.size())));
        }
    }
    return text;
}

void type(QWidget *field, const QString &text)
{
    field->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(field, &release);
}

} // namespace

class tst_Monkey : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void randomOperatorAgainstAFlakyDevice();
};

void tst_Monkey::randomOperatorAgainstAFlakyDevice()
{
    ZemFixture zem;
    QRandomGenerator random(1206);
    for (int port = 1; port <= 4; ++port)
        zem.plug(port);
    QStringList fields{QStringLiteral("txtTextOut")};
    for (int i = 0; i < 12; ++i)
        fields << QStringLiteral("txtHEX%1").arg(i);
    int checkedSteps = 0;
    qsizetype longest = 0;

    // What the device sent since the response row was last cleared, while nothing was typed there.
    QByteArray sinceClear;
    bool responseKnown = true;
    QLineEdit *response = zem.field(QStringLiteral("txtResponse"));

    for (int step = 0; step < 3000; ++step) {
        const int action = random.bounded(100);
        const int port = random.bounded(1, 5);
        if (action < 26) {
            // Now and then into the response row, which ends the stretch the test can check.
            const QString name = action == 25 && random.bounded(4) == 0
                                     ? QStringLiteral("txtResponse")
                                     : fields.at(random.bounded(static_cast<int>(fields.size())));
            type(zem.field(name), randomText(random));
            if (name == QStringLiteral("txtResponse"))
                responseKnown = false;
        } else if (action < 36) {
            zem.button(QStringLiteral("btnSend%1").arg(random.bounded(2)))->click();
        } else if (action < 43) {
            const int row = action == 42 && random.bounded(4) == 0 ? 2 : random.bounded(2);
            zem.button(QStringLiteral("btnClear%1").arg(row))->click();
            if (row == 2) {
                sinceClear.clear();
                responseKnown = true;
            }
        } else if (action < 53) {
            zem.mnuCom(port)->trigger();
        } else if (action < 63) {
            zem.mnuConnect()->trigger();
        } else if (action < 90) {
            PtyDevice *device = zem.device(zem.comm().CommPort());
            if (zem.comm().PortOpen() && device && device->isPresent()) {
                QByteArray bytes(random.bounded(1, 1500), '\0');
                for (char &b : bytes)
                    b = static_cast<char>(random.bounded(256));
                device->write(bytes);
                // Wait until the window shows the whole batch in front.
                const QString front = zem::receivedText(QString::fromLatin1(bytes));
                QTRY_VERIFY_WITH_TIMEOUT(response->text().startsWith(front), 5000);
                sinceClear += bytes;
            }
        } else if (action < 94) {
            if (PtyDevice *device = zem.device(port)) {
                device->hangUp();
                if (port == zem.comm().CommPort())
                    QTRY_VERIFY_WITH_TIMEOUT(!zem.comm().PortOpen(), 1000);
            }
        } else {
            zem.plug(port);
        }
        QCoreApplication::processEvents();
        QVERIFY2(zem.showsTruth(), qPrintable(QStringLiteral("step %1").arg(step)));
        longest = std::max(longest, sinceClear.size());
        checkedSteps += responseKnown;
        if (responseKnown)
            QVERIFY2(response->text() == expectedResponse(sinceClear),
                     qPrintable(QStringLiteral("step %1").arg(step)));
    }

    qInfo("response row checked at %d steps; longest checked stretch %lld bytes", checkedSteps,
          static_cast<long long>(longest));
    // Nothing spins afterwards, with the port open or closed.
    zem.plug(1);
    zem.mnuCom(1)->trigger();
    if (!zem.comm().PortOpen())
        zem.mnuConnect()->trigger();
    QVERIFY(zem.comm().PortOpen());
    for (int round = 0; round < 2; ++round) {
        const qint64 before = cpuMs();
        QTest::qWait(500);
        QVERIFY2(cpuMs() - before < 150, qPrintable(QString::number(cpuMs() - before)));
        zem.device(1)->hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!zem.comm().PortOpen(), 1000);
    }
}

QTEST_MAIN(tst_Monkey)
#include "tst_monkey.moc"
