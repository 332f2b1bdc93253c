// The operator's stories, against the whole program and pseudo-terminal devices.
#include "models.h"
#include "textfield.h"
#include "zemtest.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

bool matches(const QString &text, const QString &pattern)
{
    return QRegularExpression(pattern).match(text).hasMatch() || (qWarning("%s", qPrintable(text)), false);
}

// Every byte value, in every order.
QByteArray allBytes(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 256);
    return bytes;
}

// The lock file QSerialPort keeps while the program holds the device.
QString lockFile(const PtyDevice &device)
{
    return "/var/lock/LCK.."_L1 + device.path.mid(5).replace(u'/', u'_');
}

} // namespace

class tst_Stories : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void connectSendAndReceive();
    void failuresSayWhatHappened_data();
    void failuresSayWhatHappened();
    void aCloseWaitsAndReplaysNothing_data();
    void aCloseWaitsAndReplaysNothing();
    void closingAlwaysEndsTheProgram_data();
    void closingAlwaysEndsTheProgram();
};

void tst_Stories::connectSendAndReceive()
{
    Zem zem;
    lineSettingsAsked();
    PtyDevice &device = *zem.connect(2);
    QVERIFY(zem.comm().PortOpen() && zem.comm().CommPort() == 2 && zem.showsTruth());
    // 9600 baud, 8N1, no flow control, bytes passed untouched: in every setting the program asked
    // for, and as far as a pseudo-terminal keeps them, as the kernel has them.
    QList<termios> lines = lineSettingsAsked();
    QVERIFY(!lines.isEmpty());
    lines.append(termios{});
    ::tcgetattr(device.slave, &lines.back());
    for (const termios &line : std::as_const(lines)) {
        QCOMPARE(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
        QCOMPARE(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP | INPCK), tcflag_t(0));
    }
    QCOMPARE(::cfgetospeed(&lines.back()), speed_t(B9600));
    QCOMPARE(::cfgetispeed(&lines.back()), speed_t(B9600));

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

    // A device that goes on talking: the field holds as much history as it can, oldest numbers
    // dropped whole, and Undo takes none of it away.
    QByteArray talk;
    QString history;
    for (int batch = 0; batch < 8; ++batch) {
        const QByteArray bytes = allBytes(2000).mid(qsizetype(batch) * 3);
        device.send(bytes);
        talk += bytes;
        history = responseModel(QString::fromLatin1(talk), u"0 255 6 13 105 72 "_s, zem::TextField::Limit);
        QTRY_COMPARE(response->text(), history);
    }
    QTest::keySequence(response, QKeySequence::Undo);
    QCOMPARE(response->text(), history);

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
    // Com 1 opens the device ("pty"), nothing (""), or a path; <path> is that. Each step is a verb
    // and its arguments: connect, hangup, trigger ACTION, type FIELD TEXT, click BUTTON.
    QTest::addColumn<QString>("com1");
    QTest::addColumn<bool>("held"); // by another program
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("told");
    const QString com1 = u"Com 1 is not available.\r\n"_s;
    const QStringList connect{u"connect"_s};
    // clang-format off
    QTest::newRow("nothing attached") << QString() << false << connect << com1 + u"Nothing is attached as Com 1: there is no /dev/ttyS0, and the system lists no other serial port."_s;
    QTest::newRow("not a serial port") << u"/dev/null"_s << false << connect << com1 + u"<path> is not a serial port."_s;
    QTest::newRow("a link to a folder") << u"folder"_s << false << connect << com1 + u"<path> is not a serial port."_s;
    QTest::newRow("held") << u"pty"_s << true << connect << com1 + u"Another program is using <path>. Close that program, then connect again."_s;
    QTest::newRow("went away") << u"pty"_s << false << QStringList{u"connect"_s, u"hangup"_s} << com1 + u"The device went away: it was unplugged or switched off."_s;
    QTest::newRow("failed switch") << u"pty"_s << false << QStringList{u"connect"_s, u"trigger mnuCom4"_s} << u"Com 4 is not available.\r\nNothing is attached as Com 4: there is no /dev/ttyS3, and no other serial port is left for it (Com 1 is <path>)."_s;
    QTest::newRow("bad hex entry") << u"pty"_s << false
        << QStringList{u"connect"_s, u"type txtHEX0 01"_s, u"type txtHEX5 "_s + QString(39, u'z') + u"\U0001F600"_s, u"type txtHEX11 zz"_s, u"click btnSend0"_s}
        << u"Hex byte 6 holds \"%1\u2026\", which is not a hexadecimal number.\nUse only the digits 0-9 and A-F; nothing was sent."_s.arg(QString(39, u'z'));
    QTest::newRow("not a byte") << u"pty"_s << false << QStringList{u"connect"_s, u"type txtTextOut a\U0001F600\u20ACb"_s, u"click btnSend1"_s}
        << u"The character \"\U0001F600\" (U+1F600) at position 2 is not a single byte (codes 0 to 255); nothing was sent."_s;
    // clang-format on
}

void tst_Stories::failuresSayWhatHappened()
{
    QFETCH(QString, com1);
    QFETCH(bool, held);
    QFETCH(QStringList, steps);
    QFETCH(QString, told);
    PtyDevice device;
    QTemporaryDir folder;
    const QString link = folder.filePath(u"link"_s);
    QFile::link(folder.path(), link);
    Zem zem;
    zem.paths[0] = com1 == "pty"_L1 ? device.path : com1 == "folder"_L1 ? link : com1;
    QSerialPort holder(device.path);
    QVERIFY(!held || holder.open(QIODevice::ReadWrite));
    for (const QString &step : std::as_const(steps)) {
        const QStringList words = step.split(u' ');
        if (words[0] == "connect"_L1)
            zem.trigger(u"mnuConnect"_s);
        else if (words[0] == "hangup"_L1)
            device.hangUp();
        else if (words[0] == "trigger"_L1)
            zem.trigger(words[1]);
        else if (words[0] == "type"_L1)
            zem.type(words[1], step.section(u' ', 2));
        else if (words[0] == "click"_L1)
            zem.click(words[1]);
    }
    QTRY_COMPARE(zem.messages, QStringList{told.replace(u"<path>"_s, zem.paths[0])});
    QVERIFY(!zem.comm().PortOpen() || steps.size() > 2);
    // Told once, not for every error QSerialPort repeats; then at rest, and nothing half sent.
    const qint64 cpu = cpuMs();
    settle(300);
    QVERIFY2(cpuMs() - cpu < 100, "busy after the failure");
    QVERIFY(zem.messages.size() == 1 && zem.showsTruth() && device.received.isEmpty());
}

void tst_Stories::aCloseWaitsAndReplaysNothing_data()
{
    QTest::addColumn<QString>("close"); // the command that closes the port
    QTest::addColumn<int>("readRate");  // bytes a second the device reads; 0: none
    QTest::addColumn<int>("hangUpMs");  // when the device goes away, if it does
    QTest::addColumn<QString>("told");  // what the operator is told afterwards, if anything
    const QString discarded =
        u"^[1-9][0-9,]* bytes could not be sent before the port closed and were discarded.$"_s;
    const QString gone =
        u"^Com 1 is not available.\r\nThe device went away: it was unplugged or switched off. "
        "(At least )?[1-9][0-9,]* bytes could not be sent.$"_s;
    QTest::newRow("Disconnect") << u"mnuConnect"_s << 8000 << -1 << QString();
    QTest::newRow("the checked Com chosen again") << u"mnuCom1"_s << 8000 << -1 << QString();
    QTest::newRow("a device that stops reading") << u"mnuConnect"_s << 0 << -1 << discarded;
    QTest::newRow("a device unplugged meanwhile") << u"mnuConnect"_s << 0 << 300 << gone;
}

void tst_Stories::aCloseWaitsAndReplaysNothing()
{
    // While a close waits for output, the device talks, and the operator presses Disconnect again
    // (key and item), another Com and Send: all of that stands greyed while the window shows the
    // close and the count falling; received bytes show in order, and nothing runs afterwards.
    QFETCH(QString, close);
    QFETCH(int, readRate);
    QFETCH(int, hangUpMs);
    QFETCH(QString, told);
    Zem zem;
    PtyDevice *device = zem.connect(1);
    device->setReadRate(readRate);
    const QByteArray text = allBytes(zem::TextField::Limit).replace('\0', 'x');
    zem.type(u"txtTextOut"_s, QString::fromLatin1(text));
    if (readRate > 0) // and as much again, so that the count has a while to fall
        zem.click(u"btnSend1"_s), zem.comm().setOutput(QString(text.size(), u'x'));
    while (zem.comm().OutBufferCount() == 0) { // a little at a time, so that the close soon gives up
        zem.comm().setOutput(QString(512, u'x'));
        settle(5);
    }
    if (hangUpMs >= 0) { // enough for the longest wait, which only the device's going may cut short
        zem.comm().setOutput(QString(qsizetype(64) * 1024, u'x'));
        QTimer::singleShot(hangUpMs, device, &PtyDevice::hangUp);
    }
    QByteArray talk;
    QStringList shown;
    bool truthful = true;
    QTimer talker;
    QObject::connect(&talker, &QTimer::timeout, [&] {
        if (device->slave >= 0)
            device->send(QByteArray(1, char(talk.size() * 13))), talk += char(talk.size() * 13);
        if (talk.size() % 25 != 1)
            return;
        QTest::keyClick(zem.window.get(), Qt::Key_C, Qt::AltModifier);
        zem.trigger(u"mnuConnect"_s);
        zem.trigger(u"mnuCom2"_s);
        QTest::mouseClick(zem.find<QPushButton>(u"btnSend1"_s), Qt::LeftButton);
        zem.click(u"btnClear0"_s); // editing goes on, at once
        truthful = truthful && zem.showsTruth();
        shown.append(zem.find<QLabel>(u"StatusBar1Panel1"_s)->text() + u' ' +
                     zem.find<QLabel>(u"sending"_s)->text());
    });
    bool waitedOn = false;
    QTimer probe; // gone with this test, so it cannot fire into the next one
    probe.setSingleShot(true);
    QObject::connect(&probe, &QTimer::timeout, [&] { waitedOn = zem.comm().isClosing(); });
    probe.start(hangUpMs + 2000);
    talker.start(2);
    const qint64 cpu = cpuMs();
    QElapsedTimer timer;
    timer.start();
    zem.trigger(close);
    talker.stop();
    QVERIFY2(cpuMs() - cpu < timer.elapsed() / 2, "the drain spins");
    QVERIFY2(hangUpMs < 0 || !waitedOn, "the drain went on after the device was gone");
    settle(300); // anything put off would run now
    QVERIFY(truthful && zem.showsTruth() && zem.comm().PortOpen() == (close != "mnuConnect"_L1));
    QCOMPARE(zem.comm().CommPort(), 1);
    QTRY_COMPARE(zem.messages.size(), told.isEmpty() ? 0 : 1);
    QVERIFY(told.isEmpty() || matches(zem.messages.front(), told));
    // Every byte the device sent, in order, but for the last few that were still on their way as the
    // port closed.
    const QString response = zem.find(u"txtResponse"_s)->text();
    qsizetype lost = 0;
    while (lost < 4 &&
           response != responseModel(QString::fromLatin1(talk.chopped(lost)), {}, zem::TextField::Limit))
        ++lost;
    QVERIFY2(lost < 4 && talk.size() > 10, qPrintable(response.left(80)));
    shown.removeDuplicates();
    QVERIFY2(shown.size() > (readRate > 0 ? 2 : 0) && shown.front().startsWith("Disconnecting Sending: "_L1),
             qPrintable(shown.join(u'|')));
    if (readRate > 0)
        QTRY_COMPARE(device->received.left(text.size()), text); // once
}

void tst_Stories::closingAlwaysEndsTheProgram_data()
{
    QTest::addColumn<int>("signal"); // 0: the window's close box
    QTest::addColumn<int>("readRate");
    QTest::addColumn<int>("queued");
    QTest::newRow("SIGTERM while output waits") << int(SIGTERM) << 4000 << 6000;
    QTest::newRow("SIGINT while output waits") << int(SIGINT) << 4000 << 6000;
    QTest::newRow("SIGHUP while connected and idle") << int(SIGHUP) << -1 << 0;
    QTest::newRow("close box, a device that reads nothing, then goes") << 0 << 0 << 256 * 1024;
}

void tst_Stories::closingAlwaysEndsTheProgram()
{
    QFETCH(int, signal);
    QFETCH(int, readRate);
    QFETCH(int, queued);
    Zem zem;
    PtyDevice *device = zem.connect(3);
    const bool locked = QFile::exists(lockFile(*device));
    device->setReadRate(readRate);
    zem.comm().setOutput(QString(queued, u'x'));
    QTimer::singleShot(0, zem.window.get(),
                       [&] { signal ? void(::raise(signal)) : void(zem.window->close()); });
    if (readRate == 0)
        QTimer::singleShot(1500, device, &PtyDevice::hangUp);
    QTimer bound; // the drain bound and more
    QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    bound.start(12000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(zem.messages.isEmpty() && !zem.comm().PortOpen() && !QFile::exists(lockFile(*device)));
    QVERIFY(locked || qgetenv("USER") != "root");
    if (readRate > 0)
        QTRY_COMPARE(device->received.size(), queued); // all of it, well within the bound
}

QTEST_MAIN(tst_Stories)
#include "tst_stories.moc"
