// The operator's stories, against the whole program and pseudo-terminal devices.
#include "responsetext.h"
#include "zemtest.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QtTest>

namespace {

bool matches(const QString &text, const QString &pattern)
{
    return QRegularExpression(pattern).match(text).hasMatch() || (qWarning("%s", qPrintable(text)), false);
}

} // namespace

class tst_Stories : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void connectSendAndReceive();
    void failuresSayWhatHappened_data();
    void failuresSayWhatHappened();
    void disconnectWaitsForOutput();
    void closingAlwaysEndsTheProgram();
};

void tst_Stories::connectSendAndReceive()
{
    Zem zem;
    PtyDevice &device = *zem.connect(2);
    QVERIFY(zem.comm().PortOpen() && zem.comm().CommPort() == 2 && zem.showsTruth());
    termios line{}; // as the kernel has it: 9600 baud, 8N1, no flow control, bytes passed untouched
    ::tcgetattr(device.slave, &line);
    QCOMPARE(::cfgetospeed(&line), speed_t(B9600));
    QCOMPARE(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    QCOMPARE(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), tcflag_t(0));

    // A byte for each filled hex field, in field order, one digit standing for both; the text as it is.
    const QString entries[] = {u"01"_s, {}, {}, u"7f"_s, {}, {}, u"5"_s, {}, {}, {}, {}, u"FF"_s};
    for (int i = 0; i < 12; ++i)
        zem.type(u"txtHEX%1"_s.arg(i), entries[i]);
    zem.click(u"btnSend0"_s);
    const QString text = QString::fromLatin1("AT\xFF\0\r\n", 6);
    zem.type(u"txtTextOut"_s, text);
    zem.click(u"btnSend1"_s);
    QTRY_COMPARE(device.received, QByteArray("\x01\x7F\x55\377AT\377\0\r\n", 10));

    // Received bytes show as decimal numbers, newest first and in view.
    QLineEdit *response = zem.find(u"txtResponse"_s);
    device.send("\x48\x69\x0D");
    QTRY_COMPARE(response->text(), u"13 105 72 "_s);
    device.send(QByteArray("\x06\xFF\x00", 3));
    QTRY_COMPARE(response->text(), u"0 255 6 13 105 72 "_s);
    QCOMPARE(response->cursorPosition(), 0);

    // Each Clear empties its own row; sending changed none.
    zem.click(u"btnClear2"_s);
    QVERIFY(response->text().isEmpty() && zem.find(u"txtHEX3"_s)->text() == "7f"_L1);
    zem.click(u"btnClear0"_s);
    QVERIFY(zem.find(u"txtHEX11"_s)->text().isEmpty() && zem.find(u"txtTextOut"_s)->text() == text);
    zem.click(u"btnClear1"_s);
    QVERIFY(zem.find(u"txtTextOut"_s)->text().isEmpty());

    // Disconnected, Send writes nothing and says nothing.
    zem.trigger(u"mnuConnect"_s);
    zem.type(u"txtHEX0"_s, u"41"_s);
    zem.click(u"btnSend0"_s);
    settle(50);
    QVERIFY(!zem.comm().PortOpen() && zem.showsTruth() && zem.messages.isEmpty());
    QCOMPARE(device.received.size(), 10);
}

void tst_Stories::failuresSayWhatHappened_data()
{
    QTest::addColumn<QString>("told"); // <path> is the device behind Com 1
    const QString com1 = u"Com 1 is not available.\r\n"_s;
    // clang-format off
    QTest::newRow("nothing attached") << com1 + u"Nothing is attached as Com 1: there is no /dev/ttyS0, and the system lists no other serial port."_s;
    QTest::newRow("not a serial port") << com1 + u"<path> is not a serial port."_s;
    QTest::newRow("held") << com1 + u"Another program is using <path>. Close that program, then connect again."_s;
    QTest::newRow("went away") << com1 + u"The device went away: it was unplugged or switched off."_s;
    QTest::newRow("failed switch") << u"Com 4 is not available.\r\nNothing is attached as Com 4: there is no /dev/ttyS3, and no other serial port is left for it (Com 1 is <path>)."_s;
    QTest::newRow("bad hex entry") << u"Hex byte 6 holds \"%1\u2026\", which is not a hexadecimal number.\nUse only the digits 0-9 and A-F; nothing was sent."_s.arg(QString(39, u'z'));
    QTest::newRow("not a byte") << u"The character \"\u20AC\" (U+20AC) at position 3 is not a single byte (codes 0 to 255); nothing was sent."_s;
    // clang-format on
}

void tst_Stories::failuresSayWhatHappened()
{
    QFETCH(QString, told);
    const QLatin1String story(QTest::currentDataTag());
    PtyDevice device;
    Zem zem;
    zem.paths[0] = device.path;
    if (story == "nothing attached"_L1 || story == "not a serial port"_L1)
        zem.paths[0] = story == "nothing attached"_L1 ? QString() : u"/dev/null"_s;
    QSerialPort holder(device.path);
    if (story == "held"_L1)
        QVERIFY(holder.open(QIODevice::ReadWrite));
    zem.trigger(u"mnuConnect"_s);
    QCOMPARE(zem.comm().PortOpen(), zem.messages.isEmpty());
    if (story == "went away"_L1) {
        device.hangUp();
        QTRY_VERIFY(!zem.comm().PortOpen());
        const qint64 cpu = cpuMs();
        settle(500); // told once, not for every error QSerialPort repeats, and then at rest
        QVERIFY2(cpuMs() - cpu < 50, "busy after the device went away");
    }
    if (story == "failed switch"_L1)
        zem.trigger(u"mnuCom4"_s);
    if (story == "bad hex entry"_L1) {
        zem.type(u"txtHEX0"_s, u"01"_s);
        zem.type(u"txtHEX5"_s, QString(39, u'z') + u"\U0001F600"_s);
        zem.type(u"txtHEX11"_s, u"zz"_s); // a later bad entry is not named
        zem.click(u"btnSend0"_s);
        // The operator lands on the entry to mend it.
        QVERIFY(zem.window->focusWidget() == zem.find(u"txtHEX5"_s) &&
                zem.find(u"txtHEX5"_s)->selectedText().size() == 41);
    }
    if (story == "not a byte"_L1) {
        zem.type(u"txtTextOut"_s, u"ab\u20ACcd"_s);
        zem.click(u"btnSend1"_s);
    }
    QTRY_COMPARE(zem.messages, QStringList{told.replace(u"<path>"_s, zem.paths[0])});
    settle(50);
    QVERIFY(zem.showsTruth() && device.received.isEmpty()); // nothing half sent
}

void tst_Stories::disconnectWaitsForOutput()
{
    Zem zem;
    PtyDevice *device = zem.connect(1);
    device->setReadRate(20000);
    QByteArray out(qsizetype(48) * 1024, '\0');
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = char(i * 7 + i / 256); // every byte value, in every order
    zem.type(u"txtTextOut"_s, QString::fromLatin1(out));
    zem.click(u"btnSend1"_s);
    auto *sending = zem.find<QLabel>(u"sending"_s); // what is still on its way, beside the panels
    QTRY_VERIFY(sending->isVisible() &&
                matches(sending->text(), u"^Sending: [0-9,]+ bytes left, about 0:[0-9]{2}$"_s));

    // The device talks all the while, a byte every 2 ms; Disconnect waits for the rest to go out,
    // the window painting and the count falling meanwhile.
    QByteArray talk;
    QSet<QString> counts;
    QTimer talker;
    QObject::connect(&talker, &QTimer::timeout, [&] {
        talk += char(talk.size() * 13);
        device->send(talk.right(1));
        counts.insert(sending->text());
    });
    talker.start(2);
    const qint64 cpu = cpuMs();
    QElapsedTimer timer;
    timer.start();
    zem.trigger(u"mnuConnect"_s);
    talker.stop();
    QVERIFY2(cpuMs() - cpu < timer.elapsed() / 2, "the drain spins");
    QVERIFY2(talk.size() > timer.elapsed() / 10 && counts.size() > 2, "the window froze while draining");
    QVERIFY(!zem.comm().PortOpen() && !sending->isVisible() && zem.messages.isEmpty());
    QTRY_VERIFY(device->received == out);
    QTRY_COMPARE(zem.find(u"txtResponse"_s)->text(),
                 zem::prependReceived({}, QString::fromLatin1(talk))); // every byte the device sent meanwhile

    // A device that stops reading: what the close could not write out is told.
    zem.trigger(u"mnuConnect"_s);
    device->setReadRate(0);
    while (zem.comm().OutBufferCount() == 0) { // a little at a time, so that the close soon gives up
        zem.comm().setOutput(QString(512, u'x'));
        settle(5);
    }
    const qint64 pending = zem.comm().OutBufferCount();
    zem.trigger(u"mnuConnect"_s);
    QTRY_COMPARE(
        zem.messages,
        QStringList{u"%1 bytes could not be sent before the port closed and were discarded."_s.arg(pending)});

    // A device that goes away meanwhile ends the wait at once, and is told once.
    zem.trigger(u"mnuConnect"_s);
    zem.comm().setOutput(QString(qsizetype(64) * 1024, u'x'));
    QTimer::singleShot(300, device, &PtyDevice::hangUp);
    timer.restart();
    zem.trigger(u"mnuConnect"_s);
    QVERIFY2(timer.elapsed() < 3000, "the drain went on after the device was gone");
    settle(100);
    QCOMPARE(zem.messages.size(), 2);
    QVERIFY(matches(zem.messages.last(),
                    u"^Com 1 is not available.\r\nThe device went away: it was unplugged or switched "
                    "off. [1-9][0-9,]* bytes could not be sent.$"_s));
    QVERIFY(zem.showsTruth());
}

void tst_Stories::closingAlwaysEndsTheProgram()
{
    // Output waits for a device that does not read; the window closes, then the device goes.
    Zem zem;
    PtyDevice *device = zem.connect(3);
    device->setReadRate(0);
    zem.comm().setOutput(QString(qsizetype(256) * 1024, u'x'));
    QTimer::singleShot(0, zem.window.get(), &QWidget::close);
    QTimer::singleShot(1500, device, &PtyDevice::hangUp);
    QTimer::singleShot(12000, qApp, [] { QCoreApplication::exit(1); }); // the drain bound and more
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(zem.messages.isEmpty() && !zem.comm().PortOpen());
}

QTEST_MAIN(tst_Stories)
#include "tst_stories.moc"
