#include "hexbyte.h"
#include "sendcheck.h"

#include <QtTest>

using namespace zem;

class tst_HexByte : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void workedValues_data();
    void workedValues();
    void everyTwoDigitValueInBothCases_data();
    void everyTwoDigitValueInBothCases();
    void hexCharOverEveryCharacterCode();
    void entriesThatMaySend_data();
    void entriesThatMaySend();
    void firstBadEntryOfARow_data();
    void firstBadEntryOfARow();
    void firstCharacterThatIsNotAByte_data();
    void firstCharacterThatIsNotAByte();
};

void tst_HexByte::workedValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("00") << QStringLiteral("00") << 0;
    QTest::newRow("1b") << QStringLiteral("1b") << 27;
    QTest::newRow("FF") << QStringLiteral("FF") << 255;
    QTest::newRow("a0") << QStringLiteral("a0") << 160;
    QTest::newRow("single 7 is both digits") << QStringLiteral("7") << 119;
    QTest::newRow("single A") << QStringLiteral("A") << 170;
    QTest::newRow("single 5") << QStringLiteral("5") << 85;
    QTest::newRow("single f") << QStringLiteral("f") << 255;
    QTest::newRow("only the ends count: 123") << QStringLiteral("123") << 19;
    QTest::newRow("only the ends count: 1xx2") << QStringLiteral("1xx2") << 18;
    QTest::newRow("ab") << QStringLiteral("ab") << 171;
    QTest::newRow("AB") << QStringLiteral("AB") << 171;
    QTest::newRow("bad last: 1G") << QStringLiteral("1G") << 15;
    QTest::newRow("bad first: G1") << QStringLiteral("G1") << -15;
    QTest::newRow("0G") << QStringLiteral("0G") << -1;
    QTest::newRow("GG") << QStringLiteral("GG") << -17;
    QTest::newRow("leading space") << QStringLiteral(" 5") << -11;
    QTest::newRow("trailing space") << QStringLiteral("5 ") << 79;
    QTest::newRow("0x1b") << QStringLiteral("0x1b") << 11;
    QTest::newRow("full-width 5") << QStringLiteral("\uFF15") << -17;
    QTest::newRow("Arabic-Indic 3 then 1") << QStringLiteral("\u06631") << -15;
    QTest::newRow("superscript 2") << QStringLiteral("\u00B2\u00B2") << -17;
    QTest::newRow("surrogate pair") << QStringLiteral("\U0001D7D9") << -17;
    QTest::newRow("empty") << QString() << -17;
}

void tst_HexByte::workedValues()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(int(HexStr(text)), value);
}

void tst_HexByte::everyTwoDigitValueInBothCases_data()
{
    QTest::addColumn<int>("value");
    for (int v = 0; v < 256; ++v)
        QTest::newRow(qPrintable(QString::number(v))) << v;
}

void tst_HexByte::everyTwoDigitValueInBothCases()
{
    QFETCH(int, value);
    const QString lower = QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
    QCOMPARE(int(HexStr(lower)), value);
    QCOMPARE(int(HexStr(lower.toUpper())), value);
    QVERIFY(isHexEntry(lower) && isHexEntry(lower.toUpper()));
    // Anything between the ends is ignored.
    QCOMPARE(int(HexStr(QString(lower.left(1) + QStringLiteral("zz") + lower.right(1)))), value);
}

void tst_HexByte::hexCharOverEveryCharacterCode()
{
    const QString digits = QStringLiteral("0123456789abcdef");
    for (char32_t code = 0; code <= 0xFFFF; ++code) {
        const QChar c(static_cast<char16_t>(code));
        const int expected = static_cast<int>(digits.indexOf(c.toLower()));
        const bool ascii = code < 0x80;
        QCOMPARE(int(HexChar(QStringView(&c, 1))), ascii ? expected : -1);
    }
    QCOMPARE(int(HexChar(QStringLiteral("12"))), -1); // not one character
}

void tst_HexByte::entriesThatMaySend_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("sendable");
    QTest::newRow("1b") << QStringLiteral("1b") << true;
    QTest::newRow("single digit") << QStringLiteral("5") << true;
    QTest::newRow("three digits") << QStringLiteral("123") << true;
    QTest::newRow("mixed case") << QStringLiteral("aF") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("1G") << QStringLiteral("1G") << false;
    QTest::newRow("0x1b") << QStringLiteral("0x1b") << false;
    QTest::newRow("trailing space") << QStringLiteral("5 ") << false;
    QTest::newRow("leading space") << QStringLiteral(" 5") << false;
    QTest::newRow("inner junk") << QStringLiteral("1-2") << false;
    QTest::newRow("full-width digit") << QStringLiteral("\uFF11") << false;
    QTest::newRow("NUL") << QString(QChar(0)) << false;
}

void tst_HexByte::entriesThatMaySend()
{
    QFETCH(QString, entry);
    QFETCH(bool, sendable);
    QCOMPARE(isHexEntry(entry), sendable);
}

void tst_HexByte::firstBadEntryOfARow_data()
{
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<int>("bad");
    QStringList empty(12);
    QTest::newRow("all empty") << empty << -1;
    QStringList good = empty;
    good[0] = QStringLiteral("01");
    good[3] = QStringLiteral("7f");
    good[11] = QStringLiteral("FF");
    QTest::newRow("good with gaps") << good << -1;
    QStringList lastBad = good;
    lastBad[11] = QStringLiteral("1G");
    QTest::newRow("bad last") << lastBad << 11;
    QStringList twoBad = good;
    twoBad[5] = QStringLiteral("zz");
    twoBad[7] = QStringLiteral("1G");
    QTest::newRow("first of two") << twoBad << 5;
}

void tst_HexByte::firstBadEntryOfARow()
{
    QFETCH(QStringList, row);
    QFETCH(int, bad);
    QCOMPARE(firstBadHexEntry(row), bad);
}

void tst_HexByte::firstCharacterThatIsNotAByte_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<uint>("code");
    QTest::newRow("AT") << QStringLiteral("AT") << 0 << 0u;
    QTest::newRow("Latin-1 top") << QStringLiteral("\u00FF\u00E9\u0000") << 0 << 0u;
    QTest::newRow("euro") << QStringLiteral("ab\u20AC") << 3 << 0x20ACu;
    QTest::newRow("0x100") << QStringLiteral("\u0100") << 1 << 0x100u;
    QTest::newRow("pair counts once") << QStringLiteral("\U0001F600x\u0101") << 1 << 0x1F600u;
    QTest::newRow("after a pair") << QStringLiteral("\u00E9\u00E9\u0394") << 3 << 0x394u;
}

void tst_HexByte::firstCharacterThatIsNotAByte()
{
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(uint, code);
    const WideChar wide = firstWideChar(text);
    QCOMPARE(wide.position, position);
    QCOMPARE(uint(wide.code), code);
}

QTEST_APPLESS_MAIN(tst_HexByte)
#include "tst_hexbyte.moc"
