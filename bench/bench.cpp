// Figures for the README: what receiving, sending and holding text cost the program, measured
// through a real pseudo-terminal. Run under QT_QPA_PLATFORM=offscreen. Name sections to run only
// those: startup display stream lone flood blocked sending fields.
#include "application.h"
#include "commcomponent.h"
#include "frmmain.h"
#include "responsetext.h"
#include "serialportcomm.h"
#include "textfield.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zem;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of the calling thread, in seconds: the program's own, not the device's.
double threadCpu()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double rssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

QByteArray randomBytes(qsizetype count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(count, '\0');
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds, checking every millisecond; false after `ms`.
template<typename Done> bool runUntil(Done done, int ms)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    check.start(1);
    if (!done())
        loop.exec();
    return done();
}

// The device: the master side of a pseudo-terminal, written and read by threads of its own, so that
// it keeps its pace whatever the program's thread is doing.
class Device
{
public:
    Device()
    {
        char name[256] = {};
        openpty(&m_master, &m_slave, name, nullptr, nullptr);
        termios raw{};
        tcgetattr(m_slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
        path = QString::fromLocal8Bit(name);
    }
    ~Device()
    {
        if (m_writer.joinable())
            m_writer.join();
        m_reading = false;
        if (m_reader.joinable())
            m_reader.join();
        ::close(m_master);
        ::close(m_slave);
    }
    ComMap map() const { return {{{path, {}, {}, {}, ComReason::Free}}}; }

    // Writes `bytes` in `chunk`-byte writes, `perSecond` bytes a second (0: as fast as the line
    // takes them), from a thread of its own.
    void send(const QByteArray &bytes, qsizetype chunk, double perSecond)
    {
        m_writer = std::thread([=] {
            const auto start = Clock::now();
            for (qsizetype done = 0; done < bytes.size();) {
                if (perSecond > 0)
                    std::this_thread::sleep_until(
                        start + std::chrono::microseconds(qint64(double(done) * 1e6 / perSecond)));
                const ssize_t n =
                    ::write(m_master, bytes.constData() + done, size_t(std::min(chunk, bytes.size() - done)));
                if (n > 0)
                    done += n;
            }
        });
    }
    void waitSent()
    {
        if (m_writer.joinable())
            m_writer.join();
    }
    // Reads what the program writes, `perSecond` bytes a second (0: as fast as it comes).
    void read(double perSecond)
    {
        m_reading = true;
        m_reader = std::thread([this, perSecond] {
            char buffer[4096];
            const auto start = Clock::now();
            while (m_reading) {
                pollfd in{m_master, POLLIN, 0};
                if (::poll(&in, 1, 10) <= 0)
                    continue;
                const ssize_t n = ::read(m_master, buffer, perSecond > 0 ? 256 : sizeof buffer);
                if (n > 0)
                    received += n;
                if (perSecond > 0)
                    std::this_thread::sleep_until(
                        start + std::chrono::microseconds(qint64(double(received) * 1e6 / perSecond)));
            }
        });
    }
    void write(char byte) { ::write(m_master, &byte, 1); }

    QString path;
    std::atomic<qint64> received{0};

private:
    int m_master = -1;
    int m_slave = -1;
    std::atomic<bool> m_reading{false};
    std::thread m_reader;
    std::thread m_writer;
};

// The program's window, connected to one device.
struct Program
{
    explicit Program(Device &device)
        : window(new SerialPortComm([&device] { return device.map(); }))
    {
        window.show();
        window.comm()->setPortOpen(true);
        response = window.findChild<QLineEdit *>(QStringLiteral("txtResponse"));
        // Messages are answered at once.
        QObject::connect(&answer, &QTimer::timeout, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        answer.start(200); // rarely enough not to count in the figures
    }
    // The Response field at its bound; returns what it holds.
    QString fill()
    {
        QString text = prependReceived({}, QString::fromLatin1(randomBytes(TextField::Limit, 1)), TextField::Limit);
        response->setText(text);
        response->setCursorPosition(0);
        QApplication::processEvents();
        return text;
    }
    QLineEdit *field(const QString &name) const { return window.findChild<QLineEdit *>(name); }
    QAction *connect() const { return window.findChild<QAction *>(QStringLiteral("mnuConnect")); }

    frmMain window;
    QLineEdit *response = nullptr;
    QTimer answer;
};

// Longest gap between the ticks of a 1 ms timer: how long the window stopped answering.
struct Watchdog
{
    Watchdog()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { longest = std::max(longest, since.restart()); });
        since.start();
        timer.start(1);
    }
    QTimer timer;
    QElapsedTimer since;
    qint64 longest = 0;
};

void startup()
{
    const double before = rssMiB();
    const auto start = Clock::now();
    frmMain window(new SerialPortComm);
    window.show();
    QApplication::processEvents();
    std::printf(
        "Start-up: the window built and shown in %.0f ms, the process at %.0f MiB (%.0f MiB before)\n",
        since(start) * 1000, rssMiB(), before);
}

void display()
{
    std::printf("\nOne OnComm of 1024 bytes, painting included\n");
    Device device;
    Program zem(device);
    const QString batch = QString::fromLatin1(randomBytes(1024, 2));
    for (const int length : {0, 16384, TextField::Limit}) {
        const QString start = prependReceived({}, QString::fromLatin1(randomBytes(length, 1)), length);
        double total = 0;
        for (int i = 0; i < 20; ++i) {
            zem.response->setText(start);
            QApplication::processEvents();
            const auto t0 = Clock::now();
            zem.response->setText(prependReceived(zem.response->text(), batch, TextField::Limit));
            zem.response->setCursorPosition(0);
            QApplication::processEvents();
            total += since(t0);
        }
        std::printf("  field at %5d characters: %5.2f ms\n", length, total / 20 * 1000);
    }
}

void stream()
{
    std::printf("\n10 s of a device streaming at the line's 960 bytes/s, the field at its bound\n");
    for (const qsizetype chunk : {14, 1}) {
        Device device;
        Program zem(device);
        const QString start = zem.fill();
        // Lag: from the first bytes of a batch reaching the program to the field showing them.
        Clock::time_point waiting{};
        double worst = 0;
        QObject::connect(zem.window.findChild<QSerialPort *>(), &QSerialPort::readyRead, [&] {
            if (waiting == Clock::time_point{})
                waiting = Clock::now();
        });
        QObject::connect(zem.window.comm(), &CommComponent::OnComm, [&] {
            if (waiting != Clock::time_point{})
                worst = std::max(worst, since(waiting));
            waiting = {};
        });
        const QByteArray bytes = randomBytes(9600, 3);
        const double cpu = threadCpu();
        const auto t0 = Clock::now();
        device.send(bytes, chunk, 960);
        runFor(10000);
        const double share = (threadCpu() - cpu) / since(t0);
        device.waitSent();
        runFor(500);
        const bool exact = zem.response->text() == prependReceived(start, QString::fromLatin1(bytes), TextField::Limit);
        std::printf("  %2lld-byte writes: %4.1f%% of a core, worst lag %3.0f ms, final text %s\n",
                    static_cast<long long>(chunk), share * 100, worst * 1000, exact ? "exact" : "WRONG");
    }
}

void lone()
{
    Device device;
    Program zem(device);
    zem.fill();
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        runFor(200);
        const QString before = zem.response->text();
        const auto t0 = Clock::now();
        device.write(char(i));
        runUntil([&] { return zem.response->text() != before; }, 2000);
        latencies.push_back(since(t0) * 1000);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf(
        "\nA lone byte after 200 ms of quiet, the field at its bound: %.1f ms to the field at most, %.1f "
        "ms typically\n",
        latencies.back(), latencies[latencies.size() / 2]);
}

void flood()
{
    std::printf("\nA flood: bytes as fast as a pseudo-terminal takes them, the field at its bound\n");
    for (const qsizetype size : {qsizetype(1) << 20, qsizetype(16) << 20}) {
        Device device;
        Program zem(device);
        const QString start = zem.fill();
        const QByteArray bytes = randomBytes(size, 4);
        const QString newest = receivedText(QString::fromLatin1(bytes.right(16)));
        const double rss = rssMiB();
        double peak = rss;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, rssMiB()); });
        sampler.start(20);
        Watchdog watchdog;
        const auto t0 = Clock::now();
        device.send(bytes, 4096, 0);
        runUntil([&] { return zem.response->text().startsWith(newest); }, 300000);
        const double secs = since(t0);
        device.waitSent();
        const bool exact = zem.response->text() == prependReceived(start, QString::fromLatin1(bytes), TextField::Limit);
        std::printf(
            "  %2lld MiB: %8.0f bytes/s (%.0f times the line), longest stall %lld ms, RSS grew %.1f MiB, "
            "final text %s\n",
            static_cast<long long>(size >> 20), double(size) / secs, double(size) / secs / 960,
            static_cast<long long>(watchdog.longest), peak - rss, exact ? "exact" : "WRONG");
    }
}

void blocked()
{
    // Disconnect waits up to ten seconds for output a device does not read; meanwhile the device
    // streams at the line's speed for nine and a half. Everything it sent must reach the field.
    Device device;
    Program zem(device);
    zem.window.comm()->setOutput(QString(20000, u'x'));
    const QByteArray bytes = randomBytes(9120, 5);
    const double cpu = threadCpu();
    const auto t0 = Clock::now();
    device.send(bytes, 14, 960);
    zem.connect()->trigger();
    const double held = since(t0);
    const double share = (threadCpu() - cpu) / held;
    device.waitSent();
    runFor(500);
    const bool exact = zem.response->text() == prependReceived({}, QString::fromLatin1(bytes), TextField::Limit);
    std::printf("\n%.1f s of the line arriving while Disconnect waited %.1f s for a device that does not read: %s, "
                "%.1f%% of a core meanwhile\n",
                double(bytes.size()) / 960, held, exact ? "every byte reached the field, in order" : "bytes LOST",
                share * 100);
}

void sending()
{
    {
        Device device;
        Program zem(device);
        device.read(8000);
        auto *sending = zem.window.findChild<QLabel *>(QStringLiteral("sending"));
        QStringList texts;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (sending->isVisible() && (texts.isEmpty() || texts.last() != sending->text()))
                texts.append(sending->text());
        });
        watch.start(1);
        // Two Sends of a full TEXT field.
        zem.field(QStringLiteral("txtTextOut"))->setText(QString(TextField::Limit, u'x'));
        const auto t0 = Clock::now();
        for (int i = 0; i < 2; ++i)
            zem.window.findChild<QPushButton *>(QStringLiteral("btnSend1"))->click();
        runUntil([&] { return sending->isVisible(); }, 5000);
        const double shown = since(t0);
        runUntil([&] { return zem.window.comm()->OutBufferCount() == 0; }, 60000);
        const auto empty = Clock::now();
        runUntil([&] { return !sending->isVisible(); }, 5000);
        const double gone = since(empty);
        watch.stop();
        const double cpu = threadCpu();
        runFor(5000);
        std::printf(
            "\n64 KiB (two full TEXT Sends) sent to a device reading 8000 bytes/s: the count showed after %.0f ms, changed %lld "
            "times (\"%s\" ... \"%s\"), and went %.0f ms after the queue emptied. Then, port open and idle: "
            "%.2f%% of a core\n",
            shown * 1000, static_cast<long long>(texts.size()), qPrintable(texts.value(0)),
            qPrintable(texts.value(texts.size() - 1)), gone * 1000, (threadCpu() - cpu) / 5 * 100);
    }
    {
        // The device talks, a byte every 2 ms, and reads 20 KB/s; Disconnect right after sending 256 KiB.
        Device device;
        Program zem(device);
        device.read(20000);
        device.send(randomBytes(6000, 6), 1, 500);
        zem.window.comm()->setOutput(QString(qsizetype(256) * 1024, u'x'));
        const double cpu = threadCpu();
        const auto t0 = Clock::now();
        zem.connect()->trigger();
        const double held = since(t0);
        std::printf(
            "Disconnect with 256 KiB queued, the device talking and reading 20 KB/s: drained for %.1f s, "
            "%.1f%% of a core, the device got %.0f KiB\n",
            held, (threadCpu() - cpu) / held * 100, double(device.received) / 1024);
    }
}

void fields()
{
    // Every field at its limit, one of them focused (its cursor blinking).
    Device device;
    Program zem(device);
    QLineEdit *text = zem.field(QStringLiteral("txtTextOut"));
    const QString full = QString::fromLatin1(randomBytes(TextField::Limit, 7)).replace(u'\0', u' ');
    for (QLineEdit *field : zem.window.findChildren<QLineEdit *>())
        field->setText(full);
    zem.fill();
    QLineEdit *hex = zem.field(QStringLiteral("txtHEX0"));
    QApplication::setActiveWindow(&zem.window);
    hex->setFocus();
    runFor(500);
    const double cpu = threadCpu();
    runFor(5000);
    const double idle = (threadCpu() - cpu) / 5;
    double slowest = 0;
    for (const char *name : {"txtHEX1", "btnClear1", "txtResponse", "txtHEX0"}) {
        QWidget *target = zem.window.findChild<QWidget *>(QLatin1String(name));
        const auto t0 = Clock::now();
        QTest::mouseClick(target, Qt::LeftButton);
        QApplication::processEvents();
        slowest = std::max(slowest, since(t0));
        if (qstrcmp(name, "btnClear1") == 0)
            text->setText(full);
    }
    std::printf("\nEvery field at its limit of %d characters, one focused: %.2f%% of a core at rest; a click "
                "elsewhere answered within %.0f ms\n",
                TextField::Limit, idle * 100, slowest * 1000);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    initApplication();
    const QStringList sections = QApplication::arguments().mid(1);
    const auto wanted = [&](const char *name) {
        return sections.isEmpty() || sections.contains(QLatin1String(name));
    };
    const std::pair<const char *, void (*)()> all[] = {
        {"startup", startup}, {"display", display}, {"stream", stream},   {"lone", lone},
        {"flood", flood},     {"blocked", blocked}, {"sending", sending}, {"fields", fields}};
    for (const auto &[name, run] : all) {
        if (wanted(name)) {
            run();
            std::fflush(stdout);
        }
    }
    return 0;
}
