#include "ptydevice.h"
#include "serialportcomm.h"

#include <QSignalSpy>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using zem::SerialPortComm;

namespace {

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(static_cast<char>(i));
    return bytes;
}

// Reads Input until `count` bytes came or the time is up.
QString inputUntil(SerialPortComm &comm, qsizetype count)
{
    QString all;
    QDeadlineTimer deadline(5000);
    while (all.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        all += comm.Input();
    }
    return all;
}

} // namespace

class tst_SerialPortComm : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensAt9600EightNoneOne();
    void outputWritesEveryByteValueInOrder();
    void inputReturnsEveryByteWhole();
    void inputIsEmptyWhenNothingWaits();
    void missingDeviceFailsToOpen();
    void secondOpenerFails();
    void portNumberChangesOnlyWhileClosed();
    void portNumberStaysWithinOneToFour_data();
    void portNumberStaysWithinOneToFour();
    void outputRefusesCharactersThatAreNotBytes();
    void closeWritesOutPendingOutput();
    void drainTimeoutFollowsTheLine_data();
    void drainTimeoutFollowsTheLine();
    void hangUpClosesThePortOnce();
};

void tst_SerialPortComm::opensAt9600EightNoneOne()
{
    PtyDevice device;
    SerialPortComm comm([&] { return zem::ComMap{{{device.path(), {}, {}}}}; });
    QVERIFY(!comm.setPortOpen(true));
    // Look at the line as the kernel has it set.
    const int fd = ::open(device.path().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        QSKIP("the port is held exclusively (not running as root)");
    termios line{};
    QCOMPARE(::tcgetattr(fd, &line), 0);
    ::close(fd);
    QCOMPARE(::cfgetospeed(&line), speed_t(B9600));
    QCOMPARE(::cfgetispeed(&line), speed_t(B9600));
    QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QCOMPARE(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR), tcflag_t(0)); // bytes pass untouched
    QCOMPARE(line.c_oflag & OPOST, tcflag_t(0));
}

void tst_SerialPortComm::outputWritesEveryByteValueInOrder()
{
    PtyDevice device;
    SerialPortComm comm([&] { return zem::ComMap{{{device.path(), {}, {}}}}; });
    QVERIFY(!comm.setPortOpen(true));
    QVERIFY(comm.PortOpen());
    const QByteArray bytes = allByteValues();
    QVERIFY(!comm.setOutput(QString::fromLatin1(bytes)));
    QVERIFY(device.waitForReceived(bytes.size()));
    QCOMPARE(device.received(), bytes);
}

void tst_SerialPortComm::inputReturnsEveryByteWhole()
{
    PtyDevice device;
    SerialPortComm comm([&] { return zem::ComMap{{{device.path(), {}, {}}}}; });
    QSignalSpy onComm(&comm, &SerialPortComm::OnComm);
    QVERIFY(!comm.setPortOpen(true));
    const QByteArray bytes = allByteValues() + allByteValues();
    device.write(bytes);
    const QString input = inputUntil(comm, bytes.size());
    QCOMPARE(input.size(), bytes.size());
    QCOMPARE(input.toLatin1(), bytes);
    QVERIFY(input.contains(QChar(0)));
    QVERIFY(!onComm.isEmpty());
}

void tst_SerialPortComm::inputIsEmptyWhenNothingWaits()
{
    PtyDevice device;
    SerialPortComm comm([&] { return zem::ComMap{{{device.path(), {}, {}}}}; });
    QCOMPARE(comm.Input(), QString()); // closed
    QVERIFY(!comm.setPortOpen(true));
    QCOMPARE(comm.Input(), QString());
}

void tst_SerialPortComm::missingDeviceFailsToOpen()
{
    SerialPortComm comm([] { return zem::ComMap{{{QStringLiteral("/nonexistent/zem-port"), {}, {}}}}; });
    const zem::CommError error = comm.setPortOpen(true);
    QVERIFY(error.number != 0);
    QVERIFY(!error.description.isEmpty());
    QVERIFY(!comm.PortOpen());
}

void tst_SerialPortComm::secondOpenerFails()
{
    PtyDevice device;
    SerialPortComm first([&] { return zem::ComMap{{{device.path(), {}, {}}}}; });
    SerialPortComm second([&] { return zem::ComMap{{{device.path(), {}, {}}}}; });
    QVERIFY(!first.setPortOpen(true));
    const zem::CommError error = second.setPortOpen(true);
    QVERIFY(error);
    QVERIFY(!error.description.isEmpty());
    QVERIFY(!second.PortOpen());
    QVERIFY(first.PortOpen());
}

void tst_SerialPortComm::portNumberChangesOnlyWhileClosed()
{
    PtyDevice one, two;
    QStringList opened;
    SerialPortComm comm([&] {
        opened.append(QStringLiteral("scan"));
        return zem::ComMap{{{one.path(), {}, {}}, {two.path(), {}, {}}}};
    });
    QCOMPARE(comm.CommPort(), 1);
    QVERIFY(!comm.setCommPort(2));
    QVERIFY(!comm.setPortOpen(true));
    QVERIFY(comm.setCommPort(3)); // refused while open
    QCOMPARE(comm.CommPort(), 2);
    QCOMPARE(opened, QStringList{QStringLiteral("scan")});
}

void tst_SerialPortComm::portNumberStaysWithinOneToFour_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0") << 0 << false;
    QTest::newRow("1") << 1 << true;
    QTest::newRow("4") << 4 << true;
    QTest::newRow("5") << 5 << false;
    QTest::newRow("-1") << -1 << false;
}

void tst_SerialPortComm::portNumberStaysWithinOneToFour()
{
    QFETCH(int, port);
    QFETCH(bool, accepted);
    SerialPortComm comm([] { return zem::ComMap{}; });
    QVERIFY(!comm.setCommPort(2));
    QCOMPARE(!comm.setCommPort(port), accepted);
    QCOMPARE(comm.CommPort(), accepted ? port : 2);
}

void tst_SerialPortComm::outputRefusesCharactersThatAreNotBytes()
{
    PtyDevice device;
    SerialPortComm comm([&] { return zem::ComMap{{{device.path(), {}, {}}}}; });
    QVERIFY(!comm.setPortOpen(true));
    QVERIFY(comm.setOutput(QStringLiteral("ab\u20ACcd")));
    QVERIFY(!comm.setOutput(QStringLiteral("x")));
    QVERIFY(device.waitForReceived(1));
    QCOMPARE(device.received(), QByteArray("x"));
}

void tst_SerialPortComm::closeWritesOutPendingOutput()
{
    PtyDevice device;
    SerialPortComm comm([&] { return zem::ComMap{{{device.path(), {}, {}}}}; });
    QVERIFY(!comm.setPortOpen(true));
    QByteArray bytes(200000, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    QVERIFY(!comm.setOutput(QString::fromLatin1(bytes)));
    QVERIFY(!comm.setPortOpen(false));
    QCOMPARE(comm.droppedAtLastClose(), 0);
    QVERIFY(device.waitForReceived(bytes.size()));
    QCOMPARE(device.received(), bytes);
}

void tst_SerialPortComm::drainTimeoutFollowsTheLine_data()
{
    QTest::addColumn<qint64>("pending");
    QTest::addColumn<qint64>("ms");
    QTest::newRow("nothing") << qint64(0) << qint64(1000);
    QTest::newRow("one second of line") << qint64(960) << qint64(2000);
    QTest::newRow("8 KiB") << qint64(8192) << qint64(9533);
    QTest::newRow("capped") << qint64(200000) << qint64(10000);
}

void tst_SerialPortComm::drainTimeoutFollowsTheLine()
{
    QFETCH(qint64, pending);
    QFETCH(qint64, ms);
    QCOMPARE(SerialPortComm::drainTimeoutMs(pending), ms);
}

void tst_SerialPortComm::hangUpClosesThePortOnce()
{
    PtyDevice device;
    SerialPortComm comm([&] { return zem::ComMap{{{device.path(), {}, {}}}}; });
    QSignalSpy failed(&comm, &SerialPortComm::lineFailed);
    QVERIFY(!comm.setPortOpen(true));
    device.hangUp();
    QTRY_VERIFY_WITH_TIMEOUT(!comm.PortOpen(), 1000);
    QTest::qWait(100);
    QCOMPARE(failed.size(), 1);
    QVERIFY(!failed.at(0).at(0).value<zem::CommError>().description.isEmpty());
}

QTEST_GUILESS_MAIN(tst_SerialPortComm)
#include "tst_serialportcomm.moc"
