// The pure pieces against few-line models of their rules. (The Response text is held to its model by
// the fuzzer, fuzz/fuzz_codecs.cpp, over random batches through small bounds.)
#include "hexbyte.h"
#include "models.h"
#include "oncommpacer.h"
#include "portmap.h"
#include "sendcheck.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace zem;
using namespace Qt::StringLiterals;

class tst_Codecs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hexEntriesAndRows();
    void pacingKeepsTheWindowCheapAndCurrent();
    void comNumbersGoToTheSystemsPorts_data();
    void comNumbersGoToTheSystemsPorts();
};

void tst_Codecs::hexEntriesAndRows()
{
    // Every one- and two-character entry over all byte values and a few others, now and then with a
    // character between: a single character stands for both digits, of longer entries only the ends count.
    QString alphabet = u"\uFF15\U0001D7D9"_s;
    for (char16_t c = 0; c < 0x100; ++c)
        alphabet += QChar(c);
    const QStringList lasts = alphabet.split(QString()); // each character, and nothing
    QRandomGenerator random(1);
    for (const QChar first : alphabet) {
        for (const QString &rest : lasts) {
            const QString entry =
                first + alphabet.mid(random.bounded(int(alphabet.size())), random.bounded(2)) + rest;
            const bool digits =
                std::all_of(entry.cbegin(), entry.cend(), [](QChar c) { return hexDigit(c) >= 0; });
            QCOMPARE(int(HexStr(entry)), 16 * hexDigit(first) + hexDigit(entry.back()));
            QCOMPARE(isHexEntry(entry), digits);
        }
    }
    // A row names its first bad entry; a text its first character that is not a byte, a pair being one.
    QCOMPARE(firstBadHexEntry({{}, u"zz"_s, u"1G"_s}), 1);
    QCOMPARE(uint(firstWideChar(u"\u00E9\U0001F600"_s).code), 0x1F600u);
}

void tst_Codecs::pacingKeepsTheWindowCheapAndCurrent()
{
    // Ten seconds of a byte every millisecond, each OnComm handler costing `cost` milliseconds.
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
        // Under half a second behind; 5% of the time with painting (as much again) while handlers are cheap.
        QVERIFY2(lag <= 450 && (cost > 10 || 2 * busy <= 500), qPrintable(u"%1 %2"_s.arg(lag).arg(busy)));
        QCOMPARE(pacer.arrived(10000 + OnCommPacer::QuietMs + cost),
                 0); // a lone byte after quiet goes at once
    }
}

void tst_Codecs::comNumbersGoToTheSystemsPorts_data()
{
    QTest::addColumn<QString>("listed"); // a link made at /dev/ttyS1 is "ttyS1>target"
    QTest::addColumn<QString>("com");    // what Com 1 to 4 open
    QTest::newRow("one adapter") << u"ttyUSB0"_s << u"ttyUSB0,,,"_s;
    QTest::newRow("built-in and adapters")
        << u"ttyACM0 ttyUSB1 ttyS0 ttyUSB0"_s << u"ttyS0,ttyUSB0,ttyUSB1,ttyACM0"_s;
    QTest::newRow("a link pins Com 2") << u"ttyUSB0 ttyUSB1 ttyS1>ttyUSB1"_s << u"ttyUSB0,ttyS1,,"_s;
    QTest::newRow("more than four") << u"rfcomm0 ttyUSB10 ttyACM1 ttyUSB2 ttyS4"_s
                                    << u"ttyUSB2,ttyUSB10,ttyACM1,rfcomm0"_s;
    QTest::newRow("none") << QString() << u",,,"_s;
}

void tst_Codecs::comNumbersGoToTheSystemsPorts()
{
    QFETCH(QString, listed);
    QFETCH(QString, com);
    SystemPorts system;
    for (const QString &port : listed.split(u' ', Qt::SkipEmptyParts)) {
        if (port.contains(u'>'))
            system.links.insert("/dev/"_L1 + port.section(u'>', 0, 0), "/dev/"_L1 + port.section(u'>', 1));
        else
            system.listed.append({"/dev/"_L1 + port, u"UART"_s, u"Maker"_s});
    }
    const ComMap map = assignComPorts(system);
    QStringList paths;
    for (const SerialDevice &device : map)
        paths.append(device.path.mid(5));
    QCOMPARE(paths.join(u','), com);
    QVERIFY(map[1].path.isEmpty() || describeComPort(2, map) == map[1].path + u" - UART (Maker)"_s);
}

QTEST_APPLESS_MAIN(tst_Codecs)
#include "tst_codecs.moc"
