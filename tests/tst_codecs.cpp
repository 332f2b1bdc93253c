// The pure pieces against few-line models of their rules.
#include "hexbyte.h"
#include "models.h"
#include "oncommpacer.h"
#include "portmap.h"
#include "responsetext.h"
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
    void responseKeepsTheNewestWholeNumbers();
    void pacingKeepsTheWindowCheapAndCurrent();
    void comNumbersGoToTheSystemsPorts_data();
    void comNumbersGoToTheSystemsPorts();
};

void tst_Codecs::hexEntriesAndRows()
{
    // Every one-character entry stands for both digits; of longer ones only the ends count.
    for (int code = 0; code <= 0xFFFF; ++code) {
        const QString entry(QChar{char16_t(code)});
        if (HexStr(entry) != 17 * hexDigit(entry[0]) || isHexEntry(entry) != (hexDigit(entry[0]) >= 0))
            QFAIL(qPrintable(u"U+%1"_s.arg(code, 4, 16)));
    }
    QString alphabet = u"\u00FF\uFF15\U0001D7D9"_s;
    for (char16_t c = 0; c < 0x80; ++c)
        alphabet += QChar(c);
    QRandomGenerator random(1);
    for (const QChar first : alphabet) {
        for (const QChar last : alphabet) {
            const QString entry =
                first + alphabet.mid(random.bounded(int(alphabet.size())), random.bounded(2)) + last;
            QCOMPARE(int(HexStr(entry)), 16 * hexDigit(first) + hexDigit(last));
            QCOMPARE(isHexEntry(entry),
                     std::all_of(entry.cbegin(), entry.cend(), [](QChar c) { return hexDigit(c) >= 0; }));
        }
    }
    // A row names its first bad entry; a text its first character that is not a byte, a pair counting once.
    QCOMPARE(firstBadHexEntry({u"01"_s, {}, u"FF"_s}), -1);
    QCOMPARE(firstBadHexEntry({{}, u"zz"_s, u"1G"_s}), 1);
    QCOMPARE(firstWideChar(u"\u00FF\u00E9\0AT"_s).position, 0);
    QCOMPARE(firstWideChar(u"ab\u20AC"_s).position, 3);
    QCOMPARE(uint(firstWideChar(u"\u00E9\U0001F600"_s).code), 0x1F600u);
}

void tst_Codecs::responseKeepsTheNewestWholeNumbers()
{
    QRandomGenerator random(2);
    for (int round = 0; round < 200; ++round) {
        const int limit = round % 3 ? ResponseLimit : random.bounded(1, 64);
        QString all, field = round % 5 ? QString() : u"12 ab"_s; // typed in before
        const QString typed = field;
        for (int batch = random.bounded(1, 9); batch > 0; --batch) {
            QString bytes(random.bounded(0, round % 3 ? 30000 : 30), Qt::Uninitialized);
            for (QChar &b : bytes)
                b = QChar(char16_t(random.bounded(256)));
            all += bytes;
            field = prependReceived(field, bytes, limit);
        }
        QCOMPARE(field, responseModel(all, typed, limit));
    }
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
    if (!map[1].path.isEmpty())
        QCOMPARE(describeComPort(2, map), map[1].path + u" - UART (Maker)"_s);
}

QTEST_APPLESS_MAIN(tst_Codecs)
#include "tst_codecs.moc"
