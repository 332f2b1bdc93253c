#include "zemfixture.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

class tst_Ports : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void choosingAPortWhileClosedOpensNothing();
    void choosingTheOpenPortAgainReopensIt();
    void connectOnAMissingDeviceShowsTheMessage();
    void failedSwitchLeavesTheMarkOnTheHeldPort();
    void connectTwiceClosesThePort();
    void deviceLossClosesThePortAndTellsOnce();
    void aPortHeldByAnotherProgramFails();
    void disconnectWritesOutWhatWasSent();
    void disconnectReportsWhatTheDeviceNeverTook();
    void randomOperationKeepsTheDisplayTruthful();
};

void tst_Ports::choosingAPortWhileClosedOpensNothing()
{
    ZemFixture zem; // no devices at all
    zem.mnuCom(3)->trigger();
    zem.messages.settle();
    QVERIFY(zem.messages.seen.isEmpty());
    QVERIFY(!zem.comm().PortOpen());
    QCOMPARE(zem.comm().CommPort(), 3);
    QCOMPARE(zem.checkedPort(), 3);
    QCOMPARE(zem.mnuConnect()->text(), QStringLiteral("&Connect"));
    QCOMPARE(zem.statusText(2), QStringLiteral("COM3:9600 8N1"));
    QVERIFY(zem.showsTruth());
}

void tst_Ports::choosingTheOpenPortAgainReopensIt()
{
    ZemFixture zem;
    PtyDevice *device = zem.plug(2);
    zem.mnuCom(2)->trigger();
    zem.mnuConnect()->trigger();
    QVERIFY(zem.comm().PortOpen());
    QSignalSpy changes(&zem.comm(), &zem::CommComponent::stateChanged);
    zem.mnuCom(2)->trigger();    // a checked item unchecks itself when chosen; the handler decides
    QCOMPARE(changes.size(), 2); // closed, then opened again
    QVERIFY(zem.comm().PortOpen());
    QCOMPARE(zem.checkedPort(), 2);
    QCOMPARE(zem.mnuConnect()->text(), QStringLiteral("Dis&connect"));
    QVERIFY(zem.showsTruth());
    zem.comm().setOutput(QStringLiteral("ok"));
    QVERIFY(device->waitForReceived(2));
    QVERIFY(zem.messages.seen.isEmpty());
}

void tst_Ports::connectOnAMissingDeviceShowsTheMessage()
{
    ZemFixture zem;
    zem.mnuConnect()->trigger();
    QCOMPARE(zem.messages.seen.size(), 1);
    const MessageCatcher::Seen box = zem.messages.seen.first();
    QCOMPARE(box.title, QStringLiteral("ZEM"));
    QCOMPARE(box.text, QStringLiteral("Com 1 is not available.\r\nNothing is attached as Com 1: there is no "
                                      "/dev/ttyS0, and the system lists no other serial port."));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QVERIFY(box.modal);
    QCOMPARE(zem.mnuConnect()->text(), QStringLiteral("&Connect"));
    QCOMPARE(zem.statusText(1), QStringLiteral("Disconnected"));
    QVERIFY(zem.showsTruth());
}

void tst_Ports::failedSwitchLeavesTheMarkOnTheHeldPort()
{
    ZemFixture zem;
    zem.plug(2);
    zem.mnuCom(2)->trigger();
    zem.mnuConnect()->trigger();
    QCOMPARE(zem.statusText(1), QStringLiteral("Connected"));
    zem.mnuCom(4)->trigger(); // no device behind port 4
    QCOMPARE(zem.messages.seen.size(), 1);
    QVERIFY(zem.messages.seen.first().text.startsWith(
        QStringLiteral("Com 4 is not available.\r\nNothing is attached as Com 4")));
    QVERIFY(!zem.comm().PortOpen());
    QCOMPARE(zem.comm().CommPort(), 4);
    QCOMPARE(zem.checkedPort(), 4);
    QCOMPARE(zem.mnuConnect()->text(), QStringLiteral("&Connect"));
    QVERIFY(zem.showsTruth());

    // A later Connect tries the port the menu shows.
    zem.mnuConnect()->trigger();
    QCOMPARE(zem.messages.seen.size(), 2);
    QVERIFY(zem.messages.seen.last().text.startsWith(QStringLiteral("Com 4 ")));
    zem.plug(4);
    zem.mnuConnect()->trigger();
    QVERIFY(zem.comm().PortOpen());
    QVERIFY(zem.showsTruth());
}

void tst_Ports::connectTwiceClosesThePort()
{
    ZemFixture zem;
    zem.plug(1);
    zem.mnuConnect()->trigger();
    QCOMPARE(zem.mnuConnect()->text(), QStringLiteral("Dis&connect"));
    QVERIFY(zem.showsTruth());
    zem.mnuConnect()->trigger();
    QVERIFY(!zem.comm().PortOpen());
    QCOMPARE(zem.mnuConnect()->text(), QStringLiteral("&Connect"));
    QCOMPARE(zem.checkedPort(), 1);
    QVERIFY(zem.showsTruth());
    QVERIFY(zem.messages.seen.isEmpty());
}

void tst_Ports::deviceLossClosesThePortAndTellsOnce()
{
    ZemFixture zem;
    PtyDevice *device = zem.plug(1);
    zem.mnuConnect()->trigger();
    auto *serial = zem.window().findChild<QSerialPort *>();
    QVERIFY(serial);
    QSignalSpy errors(serial, &QSerialPort::errorOccurred);
    device->hangUp();
    QTRY_VERIFY_WITH_TIMEOUT(!zem.comm().PortOpen(), 1000);
    zem.messages.settle(300);
    QCOMPARE(zem.messages.seen.size(), 1);
    QVERIFY(zem.messages.seen.first().text.startsWith(QStringLiteral("Com 1 is not available.\r\n")));
    QVERIFY(zem.messages.seen.first().text.size() > QStringLiteral("Com 1 is not available.\r\n").size());
    QCOMPARE(zem.mnuConnect()->text(), QStringLiteral("&Connect"));
    QCOMPARE(zem.statusText(1), QStringLiteral("Disconnected"));
    QVERIFY2(errors.size() < 20, qPrintable(QString::number(errors.size())));
    QVERIFY(zem.showsTruth());
}

void tst_Ports::aPortHeldByAnotherProgramFails()
{
    ZemFixture zem;
    PtyDevice *device = zem.plug(1);
    QProcess holder;
    holder.start(QStringLiteral(PORTHOLDER), {device->path()});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readAll(), QByteArray("open\n"));

    QElapsedTimer timer;
    timer.start();
    zem.mnuConnect()->trigger();
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(zem.messages.seen.size(), 1);
    QVERIFY(zem.messages.seen.first().text.startsWith(QStringLiteral("Com 1 is not available.\r\n")));
    QVERIFY(!zem.comm().PortOpen());
    QVERIFY(zem.showsTruth());

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    zem.mnuConnect()->trigger(); // free again
    QVERIFY(zem.comm().PortOpen());
}

void tst_Ports::disconnectWritesOutWhatWasSent()
{
    ZemFixture zem;
    PtyDevice *device = zem.plug(1);
    zem.mnuConnect()->trigger();
    QString text;
    for (int i = 0; i < 8192; ++i)
        text.append(QChar(static_cast<char16_t>(32 + i * 13 % 224)));
    zem.field(QStringLiteral("txtTextOut"))->setText(text);
    zem.button(QStringLiteral("btnSend1"))->click();
    zem.mnuConnect()->trigger();
    QVERIFY(!zem.comm().PortOpen());
    QVERIFY(device->waitForReceived(text.size()));
    QCOMPARE(device->received(), text.toLatin1());
    QVERIFY(zem.messages.seen.isEmpty());
}

void tst_Ports::disconnectReportsWhatTheDeviceNeverTook()
{
    ZemFixture zem;
    PtyDevice *device = zem.plug(1);
    device->setReading(false);
    zem.mnuConnect()->trigger();
    // Fill the kernel's buffer a little at a time, so that only a little waits in the program and
    // the close gives up after about two seconds.
    auto *serial = zem.window().findChild<QSerialPort *>();
    for (int i = 0; i < 400 && serial->bytesToWrite() == 0; ++i) {
        zem.comm().setOutput(QString(512, u'x'));
        zem.messages.settle(10);
    }
    const qint64 pending = serial->bytesToWrite();
    QVERIFY(pending > 0);
    zem.mnuConnect()->trigger();
    QCOMPARE(zem.messages.seen.size(), 1);
    QCOMPARE(zem.messages.seen.first().text,
             QStringLiteral("%1 byte(s) could not be sent before the port closed and were discarded.")
                 .arg(pending));
    QVERIFY(!zem.comm().PortOpen());
    QVERIFY(zem.showsTruth());
}

void tst_Ports::randomOperationKeepsTheDisplayTruthful()
{
    ZemFixture zem;
    QRandomGenerator random(20261206);
    zem.plug(1);
    zem.plug(2);
    for (int step = 0; step < 3000; ++step) {
        const int port = random.bounded(1, 5);
        switch (random.bounded(10)) {
        case 0:
        case 1:
        case 2:
            zem.mnuCom(port)->trigger();
            break;
        case 3:
        case 4:
        case 5:
            zem.mnuConnect()->trigger();
            break;
        case 6:
            if (zem.device(port)) {
                zem.device(port)->hangUp(); // the open port, if it is this one, fails
                if (port == zem.comm().CommPort())
                    QTRY_VERIFY_WITH_TIMEOUT(!zem.comm().PortOpen(), 1000);
            }
            break;
        case 7:
            zem.plug(port);
            break;
        case 8:
            zem.unplug(port);
            break;
        default:
            zem.comm().setOutput(QStringLiteral("ping"));
            break;
        }
        QCoreApplication::processEvents();
        QVERIFY2(zem.showsTruth(), qPrintable(QStringLiteral("after step %1").arg(step)));
    }
}

QTEST_MAIN(tst_Ports)
#include "tst_ports.moc"
