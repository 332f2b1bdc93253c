// The operator's stories, each against the whole program and pseudo-terminal devices.
#include "responsetext.h"
#include "zemtest.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTemporaryFile>
#include <QtTest>

using zem::prependReceived;
using zem::receivedText;

namespace {

QByteArray randomBytes(QRandomGenerator &random, qsizetype count)
{
    QByteArray bytes(count, '\0');
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

QString hexField(int i)
{
    return QStringLiteral("txtHEX%1").arg(i);
}

} // namespace

class tst_Stories : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void connectSendAndReceive();
    void failuresSayWhatHappened_data();
    void failuresSayWhatHappened();
    void disconnectDrainsWhileTheDeviceTalks();
    void aDeviceLostWhileDrainingIsToldOnce();
    void disconnectTellsWhatNeverWent();
    void closingAlwaysEndsTheProgram();
    void randomOperationStaysTruthful();
};

void tst_Stories::connectSendAndReceive()
{
    Zem zem;
    PtyDevice *device = zem.plug(2);
    zem.action(QStringLiteral("mnuCom2"))->trigger();
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    QVERIFY(zem.comm().PortOpen() && zem.showsTruth());
    // The line as the kernel sees it: 9600 baud, 8N1, no flow control, bytes passed untouched.
    const termios line = device->line();
    QCOMPARE(::cfgetospeed(&line), speed_t(B9600));
    QCOMPARE(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    QCOMPARE(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), tcflag_t(0));
    // Choosing the open port again reopens it.
    zem.action(QStringLiteral("mnuCom2"))->trigger();
    QVERIFY(zem.comm().PortOpen() && zem.showsTruth());

    // A byte for each filled hex field, in field order; a single digit stands for both.
    const QStringList row{
        QStringLiteral("01"), {}, {}, QStringLiteral("7f"), {}, {}, QStringLiteral("5"), {}, {}, {}, {},
        QStringLiteral("FF")};
    for (int i = 0; i < 12; ++i)
        zem.find(hexField(i))->setText(row.at(i));
    zem.click(QStringLiteral("btnSend0"));
    const QString text = QString::fromLatin1("AT\xFF\0\r\n", 6);
    zem.find(QStringLiteral("txtTextOut"))->setText(text);
    zem.click(QStringLiteral("btnSend1"));
    QTRY_COMPARE(device->received, QByteArray("\x01\x7F\x55\xFF"
                                              "AT\xFF\0\r\n",
                                              10));

    // Received bytes show as decimal numbers, newest first and in view.
    QLineEdit *response = zem.find(QStringLiteral("txtResponse"));
    device->send("\x48\x69\x0D");
    QTRY_COMPARE(response->text(), QStringLiteral("13 105 72 "));
    device->send(QByteArray("\x06\xFF\x00", 3));
    QTRY_COMPARE(response->text(), QStringLiteral("0 255 6 13 105 72 "));
    QCOMPARE(response->cursorPosition(), 0);

    // Each Clear empties its own row; sending changed none of them.
    zem.click(QStringLiteral("btnClear2"));
    QVERIFY(response->text().isEmpty());
    QCOMPARE(zem.find(hexField(3))->text(), QStringLiteral("7f"));
    zem.click(QStringLiteral("btnClear0"));
    QVERIFY(zem.find(hexField(11))->text().isEmpty());
    QCOMPARE(zem.find(QStringLiteral("txtTextOut"))->text(), text);
    zem.click(QStringLiteral("btnClear1"));
    QVERIFY(zem.find(QStringLiteral("txtTextOut"))->text().isEmpty());

    // Disconnected, Send writes nothing and says nothing.
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    QVERIFY(!zem.comm().PortOpen() && zem.showsTruth());
    zem.find(hexField(0))->setText(QStringLiteral("41"));
    zem.click(QStringLiteral("btnSend0"));
    Zem::settle(50);
    QCOMPARE(device->received.size(), 10);
    QVERIFY(zem.boxes.isEmpty());
}

void tst_Stories::failuresSayWhatHappened_data()
{
    QTest::addColumn<QString>("expected"); // <path> stands for the device behind Com 1
    const QString unavailable = QStringLiteral("Com 1 is not available.\r\n");
    QTest::newRow("nothing attached")
        << unavailable + QStringLiteral("Nothing is attached as Com 1: there is no "
                                        "/dev/ttyS0, and the system lists no other "
                                        "serial port.");
    QTest::newRow("not a serial port") << unavailable + QStringLiteral("<path> is not a serial port.");
    QTest::newRow("held by another program")
        << unavailable +
               QStringLiteral("Another program is using <path>. Close that program, then connect again.");
    QTest::newRow("device went away")
        << unavailable + QStringLiteral("The device went away: it was unplugged or switched off.");
    QTest::newRow("failed switch") << QStringLiteral(
        "Com 4 is not available.\r\nNothing is attached as Com 4: "
        "there is no /dev/ttyS3, and no other serial port is left "
        "for it (Com 1 is <path>).");
    QTest::newRow("bad hex entry") << QStringLiteral(
                                          "Hex byte 6 holds \"%1\u2026\", which is not a hexadecimal "
                                          "number.\nUse only the digits 0-9 and A-F; nothing was sent.")
                                          .arg(QString(39, u'z'));
    QTest::newRow("not a byte") << QStringLiteral(
        "The character \"\u20AC\" (U+20AC) at position 3 is not a single "
        "byte (codes 0 to 255); nothing was sent.");
}

void tst_Stories::failuresSayWhatHappened()
{
    QFETCH(QString, expected);
    const QString story = QString::fromLatin1(QTest::currentDataTag());
    Zem zem;
    PtyDevice *device = zem.plug(1);
    QTemporaryFile file;
    QVERIFY(file.open());
    QSerialPort holder(device->path());
    if (story == QLatin1String("nothing attached"))
        zem.paths[0].clear();
    else if (story == QLatin1String("not a serial port"))
        zem.paths[0] = file.fileName();
    else if (story == QLatin1String("held by another program"))
        QVERIFY(holder.open(QIODevice::ReadWrite));
    const QString path = zem.paths[0];
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    QCOMPARE(zem.comm().PortOpen(), zem.boxes.isEmpty());

    if (story == QLatin1String("device went away")) {
        device->hangUp();
        QTRY_VERIFY(!zem.comm().PortOpen());
        Zem::settle(200); // once, not for every error QSerialPort repeats
    } else if (story == QLatin1String("failed switch")) {
        zem.action(QStringLiteral("mnuCom4"))->trigger();
    } else if (story == QLatin1String("bad hex entry")) {
        zem.find(hexField(0))->setText(QStringLiteral("01"));
        zem.find(hexField(5))->setText(QString(39, u'z') + QStringLiteral("\U0001F600"));
        zem.find(hexField(11))->setText(QStringLiteral("zz")); // a later bad field is not named
        zem.click(QStringLiteral("btnSend0"));
        // The operator lands on the field to mend it.
        QCOMPARE(zem.window->focusWidget(), zem.find(hexField(5)));
        QCOMPARE(zem.find(hexField(5))->selectedText().size(), 41);
    } else if (story == QLatin1String("not a byte")) {
        zem.find(QStringLiteral("txtTextOut"))->setText(QStringLiteral("ab\u20ACcd"));
        zem.click(QStringLiteral("btnSend1"));
    }
    QTRY_COMPARE(zem.messages(), QStringList{expected.replace(QStringLiteral("<path>"), path)});
    QCOMPARE(zem.boxes.first().title, QStringLiteral("ZEM"));
    QCOMPARE(zem.boxes.first().icon, QMessageBox::NoIcon);
    QCOMPARE(zem.boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(zem.showsTruth());
    Zem::settle(50);
    QVERIFY(device->received.isEmpty()); // nothing half sent
}

void tst_Stories::disconnectDrainsWhileTheDeviceTalks()
{
    Zem zem;
    PtyDevice *device = zem.plug(1);
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    device->setReadRate(20000);
    QRandomGenerator random(3);
    const QByteArray out = randomBytes(random, 48 * 1024);
    zem.find(QStringLiteral("txtTextOut"))->setText(QString::fromLatin1(out));
    zem.click(QStringLiteral("btnSend1"));

    // What is still on its way shows beside the panels and counts down.
    auto *sending = zem.find<QLabel>(QStringLiteral("sending"));
    QTRY_VERIFY(sending->isVisible());
    const QString first = sending->text();
    QVERIFY2(first.startsWith(QStringLiteral("Sending: ")) &&
                 first.contains(QStringLiteral(" bytes left, about 0:")),
             qPrintable(first));
    QTRY_VERIFY(sending->text() != first);

    // The device talks all the while, a byte every 2 ms.
    QByteArray talk;
    QTimer talker;
    QObject::connect(&talker, &QTimer::timeout, [&] {
        talk += randomBytes(random, 1);
        device->send(talk.right(1));
    });
    talker.start(2);
    const qint64 cpu = threadCpuMs();
    QElapsedTimer timer;
    timer.start();
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    talker.stop();
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(threadCpuMs() - cpu < elapsed / 2, "the drain spins");
    QVERIFY(!zem.comm().PortOpen() && !sending->isVisible());
    QTRY_COMPARE(device->received.size(), out.size());
    QVERIFY(device->received == out);
    QVERIFY(zem.boxes.isEmpty());
    // Every byte the device sent meanwhile reached the field.
    QTRY_COMPARE(zem.find(QStringLiteral("txtResponse"))->text(),
                 prependReceived({}, QString::fromLatin1(talk)));
}

void tst_Stories::aDeviceLostWhileDrainingIsToldOnce()
{
    Zem zem;
    PtyDevice *device = zem.plug(1);
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    device->setReadRate(0);
    zem.find(QStringLiteral("txtTextOut"))->setText(QString(64 * 1024, u'x'));
    zem.click(QStringLiteral("btnSend1"));
    QTimer::singleShot(300, device, &PtyDevice::hangUp);
    QElapsedTimer timer;
    timer.start();
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    QVERIFY2(timer.elapsed() < 3000, "the drain went on after the device was gone");
    Zem::settle(100);
    QCOMPARE(zem.messages().size(), 1);
    const QRegularExpression told(
        QStringLiteral("^Com 1 is not available.\r\nThe device went away: it was "
                       "unplugged or switched off. [1-9][0-9]* bytes could not be sent.$"));
    QVERIFY2(told.match(zem.messages().first()).hasMatch(), qPrintable(zem.messages().first()));
    QVERIFY(zem.showsTruth());
}

void tst_Stories::disconnectTellsWhatNeverWent()
{
    Zem zem;
    PtyDevice *device = zem.plug(1);
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    device->setReadRate(0);
    // A little at a time until the kernel's buffer is full, so that the close gives up soon.
    while (zem.comm().OutBufferCount() == 0) {
        zem.comm().setOutput(QString(512, u'x'));
        Zem::settle(5);
    }
    const qint64 pending = zem.comm().OutBufferCount();
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    QTRY_COMPARE(
        zem.messages(),
        QStringList{QStringLiteral("%1 bytes could not be sent before the port closed and were discarded.")
                        .arg(pending)});
    QVERIFY(zem.showsTruth());
}

void tst_Stories::closingAlwaysEndsTheProgram()
{
    // Output waits for a device that does not read; the window closes, and then the device goes.
    Zem zem;
    PtyDevice *device = zem.plug(3);
    zem.action(QStringLiteral("mnuCom3"))->trigger();
    zem.action(QStringLiteral("mnuConnect"))->trigger();
    device->setReadRate(0);
    zem.find(QStringLiteral("txtTextOut"))->setText(QString(256 * 1024, u'x'));
    zem.click(QStringLiteral("btnSend1"));
    QTimer::singleShot(0, zem.window.get(), &QWidget::close);
    QTimer::singleShot(1500, device, &PtyDevice::hangUp);
    QTimer::singleShot(12000, qApp, [] { QCoreApplication::exit(1); }); // the drain bound and a second more
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(zem.boxes.isEmpty());
    QVERIFY(!zem.comm().PortOpen());
}

void tst_Stories::randomOperationStaysTruthful()
{
    Zem zem;
    QRandomGenerator random(4);
    QLineEdit *response = zem.find(QStringLiteral("txtResponse"));
    const QString entries[] = {
        QStringLiteral("1b"), QStringLiteral("G1"), QStringLiteral("\u00E9\u20AC"), {}};
    QByteArray shown; // since the Response row was last cleared
    for (int step = 0; step < 500; ++step) {
        const int port = random.bounded(1, 5);
        PtyDevice *device = zem.devices[size_t(zem.comm().CommPort() - 1)].get();
        switch (random.bounded(8)) {
        case 0:
            zem.action(QStringLiteral("mnuCom%1").arg(port))->trigger();
            break;
        case 1:
            zem.action(QStringLiteral("mnuConnect"))->trigger();
            break;
        case 2:
        case 3: // a device goes, and perhaps a fresh one takes its place
            if (zem.devices[size_t(port - 1)])
                zem.devices[size_t(port - 1)]->hangUp();
            zem.paths[size_t(port - 1)].clear();
            if (port == zem.comm().CommPort())
                QTRY_VERIFY(!zem.comm().PortOpen());
            if (random.bounded(2))
                zem.plug(port);
            break;
        case 4:
            zem.click(QStringLiteral("btnClear2"));
            shown.clear();
            break;
        case 5:
            zem.find(hexField(random.bounded(12)))->setText(entries[random.bounded(4)]);
            zem.click(QStringLiteral("btnSend%1").arg(random.bounded(2)));
            break;
        case 6:
            zem.find(QStringLiteral("txtTextOut"))->setText(entries[random.bounded(4)]);
            break;
        default:
            if (zem.comm().PortOpen()) {
                const QByteArray bytes = randomBytes(random, random.bounded(1, 1500));
                device->send(bytes);
                shown += bytes;
                QTRY_VERIFY(response->text().startsWith(receivedText(QString::fromLatin1(bytes))));
            }
        }
        QCoreApplication::processEvents();
        QVERIFY2(zem.showsTruth(), qPrintable(QString::number(step)));
        QVERIFY2(response->text() == prependReceived({}, QString::fromLatin1(shown)),
                 qPrintable(QString::number(step)));
    }
    // Nothing spins afterwards, with the port open or after its device went away.
    zem.plug(1);
    zem.action(QStringLiteral("mnuCom1"))->trigger();
    if (!zem.comm().PortOpen())
        zem.action(QStringLiteral("mnuConnect"))->trigger();
    for (int round = 0; round < 2; ++round) {
        QVERIFY(zem.comm().PortOpen() != bool(round));
        const qint64 cpu = threadCpuMs();
        Zem::settle(500);
        QVERIFY2(threadCpuMs() - cpu < 50, qPrintable(QString::number(threadCpuMs() - cpu)));
        zem.devices[0]->hangUp();
        QTRY_VERIFY(!zem.comm().PortOpen());
    }
}

QTEST_MAIN(tst_Stories)
#include "tst_stories.moc"
