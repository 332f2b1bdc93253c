// The pure pieces against few-line models of their rules, a named row for every byte value. (The
// Response text is also held to its model by the fuzzer, fuzz/fuzz_codecs.cpp, through small bounds.)
#include "hexbyte.h"
#include "models.h"
#include "oncommpacer.h"
#include "portmap.h"
#include "responsetext.h"
#include "sendcheck.h"
#include "serialportcomm.h"

#include <QtTest>

using namespace zem;
using namespace Qt::StringLiterals;

class tst_Codecs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyCharacter_data()
    {
        QTest::addColumn<QString>("c");
        for (char16_t code = 0; code < 0x100; ++code)
            QTest::addRow("byte %d", int(code)) << QString(QChar(code));
        QTest::newRow("full-width 5") << u"\uFF15"_s;
        QTest::newRow("mathematical 1, a surrogate pair") << u"\U0001D7D9"_s;
    }

    void everyCharacter()
    {
        // As a hex entry alone (both digits), at either end of a longer entry (only the ends count), and
        // as a received byte.
        QFETCH(QString, c);
        const int digit = hexDigit(c.front());
        QCOMPARE(int(HexChar(c)), c.size() == 1 ? digit : -1);
        QCOMPARE(int(HexStr(c)), c.size() == 1 ? 17 * digit : 16 * digit + hexDigit(c.back()));
        QCOMPARE(int(HexStr(QString(c + u"zF"_s))), 16 * digit + 15);
        QCOMPARE(int(HexStr(QString(u"1z"_s + c))), 16 + hexDigit(c.back()));
        QCOMPARE(isHexEntry(QString(c + c)), digit >= 0);
        QCOMPARE(firstBadHexEntry({{}, u"7"_s, c}), digit >= 0 ? -1 : 2);
        if (c.size() == 1 && c.front().unicode() < 0x100) {
            QCOMPARE(receivedText(c), responseModel(c, {}, 8));
            QCOMPARE(firstWideChar(QString(u"ab"_s + c)).position, 0);
        } else {
            // The first character that is no byte, counted as the operator sees characters.
            const WideChar wide = firstWideChar(QString(u"\u00E9"_s + c + u"\u20AC"_s));
            QCOMPARE(wide.position, 2);
            QCOMPARE(uint(wide.code), c.toUcs4().front());
        }
    }

    void receivingAndSendingKeepTheirTime()
    {
        // Ten seconds of a byte every millisecond, each OnComm handler costing `cost` milliseconds:
        // under half a second behind, and 5% of the time with painting (as much again) while handlers
        // are cheap; a lone byte after quiet goes at once.
        for (const qint64 cost : {0, 1, 4, 10, 40}) {
            OnCommPacer pacer;
            qint64 due = -1, oldest = 0, busy = 0, lag = 0;
            for (qint64 now = 0; now < 10000; ++now) {
                if (due >= 0 && now >= due) {
                    pacer.handled(now, now + cost);
                    busy += cost, lag = std::max(lag, now + cost - oldest), now += cost, due = -1;
                }
                if (const qint64 wait = pacer.arrived(now); due < 0)
                    due = now + wait, oldest = now;
            }
            QVERIFY2(lag <= 450 && (cost > 10 || 2 * busy <= 500), qPrintable(u"%1 %2"_s.arg(lag).arg(busy)));
            QCOMPARE(pacer.arrived(10000 + OnCommPacer::QuietMs + cost), 0);
        }
        // A close waits for the line's time for what is queued and a second, ten seconds at most.
        for (const auto &[pending, boundMs] :
             {std::pair<qint64, qint64>{0, 1000}, {1, 1001}, {960, 2000}, {8640, 10000}, {3456000, 10000}})
            QCOMPARE(SerialPortComm::drainBoundMs(pending), boundMs);
    }

    void comNumbersGoToTheSystemsPorts_data()
    {
        // "ttyS1>ttyUSB1" is a link at /dev/ttyS1 to /dev/ttyUSB1. A stock PC has /dev/ttyS0-3 as nodes
        // that answer nothing: the system lists none of them, and no link can take their names.
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("com"); // what Com 1 to 4 open, and why
        QTest::newRow("one adapter") << u"ttyUSB0"_s << u"ttyUSB0 free,,,"_s;
        QTest::newRow("built-in and adapters") << u"ttyACM0 ttyUSB1 ttyS0 ttyUSB0"_s
                                               << u"ttyS0 built-in,ttyUSB0 free,ttyUSB1 free,ttyACM0 free"_s;
        QTest::newRow("a ttyS link pins Com 2")
            << u"ttyUSB0 ttyUSB1 ttyS1>ttyUSB1"_s << u"ttyUSB0 free,ttyS1 pinned,,"_s;
        QTest::newRow("stock PC, two adapters, no rule")
            << u"ttyUSB0 ttyUSB1"_s << u"ttyUSB0 free,ttyUSB1 free,,"_s;
        QTest::newRow("stock PC, two adapters pinned crosswise")
            << u"ttyUSB0 ttyUSB1 zem-com1>ttyUSB1 zem-com2>ttyUSB0"_s
            << u"zem-com1 pinned,zem-com2 pinned,,"_s;
        QTest::newRow("a pin to Com 3 leaves the rest in order")
            << u"ttyUSB0 ttyUSB1 ttyUSB2 zem-com3>ttyUSB0"_s
            << u"ttyUSB1 free,ttyUSB2 free,zem-com3 pinned,"_s;
        QTest::newRow("a pin takes a built-in port to another number")
            << u"ttyS0 ttyUSB0 zem-com2>ttyS0"_s << u"ttyUSB0 free,zem-com2 pinned,,"_s;
        QTest::newRow("more than four") << u"rfcomm0 ttyUSB10 ttyACM1 ttyUSB2 ttyS4"_s
                                        << u"ttyUSB2 free,ttyUSB10 free,ttyACM1 free,rfcomm0 free"_s;
        QTest::newRow("none") << QString() << u",,,"_s;
    }

    void comNumbersGoToTheSystemsPorts()
    {
        QFETCH(QString, system);
        QFETCH(QString, com);
        SystemPorts ports;
        for (const QString &port : system.split(u' ', Qt::SkipEmptyParts)) {
            if (port.contains(u'>'))
                ports.links.insert("/dev/"_L1 + port.section(u'>', 0, 0), "/dev/"_L1 + port.section(u'>', 1));
            else
                ports.listed.append({"/dev/"_L1 + port, "UART "_L1 + port, u"Maker"_s, {}, ComReason::Free});
        }
        // What each Com opens, and the Port menu's tip saying what that is and why.
        const ComMap map = assignComPorts(ports);
        const QMap<QString, QString> why{{u"pinned"_s, u"pinned to this number by its link"_s},
                                         {u"built-in"_s, u"the built-in port of this number"_s},
                                         {u"free"_s, u"the next serial port left free"_s}};
        for (int n = 1; n <= 4; ++n) {
            const QString expected = com.section(u',', n - 1, n - 1), path = map[size_t(n - 1)].path;
            QCOMPARE(path, expected.isEmpty() ? QString() : "/dev/"_L1 + expected.section(u' ', 0, 0));
            const QString target = ports.links.value(path, path);
            if (!path.isEmpty())
                QCOMPARE(describeComPort(n, map), path + (target == path ? QString() : " -> "_L1 + target) +
                                                      " - UART "_L1 + target.mid(5) + " (Maker), "_L1 +
                                                      why.value(expected.section(u' ', 1)));
        }
    }
};

QTEST_APPLESS_MAIN(tst_Codecs)
#include "tst_codecs.moc"
