// Figures for the README: what receiving, sending and holding text cost the program, measured
// through a real pseudo-terminal, the tests' own device and fixture. Run under
// QT_QPA_PLATFORM=offscreen. Name sections to run only those: startup display stream lone flood
// record journal blocked sending close paste fields.
#include "application.h"
#include "journal.h"
#include "recording.h"
#include "responsetext.h"
#include "zemtest.h"

#include <QSerialPort>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>
#include <vector>

using namespace zem;

namespace {

// The process's resident memory now, or its peak so far, in MiB.
double memoryMiB(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

double rssMiB()
{
    return memoryMiB("VmRSS:");
}

double peakMiB()
{
    return memoryMiB("VmHWM:");
}

// The heap the process has in use, in MiB: unlike its resident memory, it falls when memory is freed.
double heapMiB()
{
    return double(::mallinfo2().uordblks) / (1 << 20);
}

QByteArray randomBytes(qsizetype count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(count, '\0');
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

// Runs the event loop for a while, asleep between events (QTest::qWait wakes every 10 ms, which would
// count in the figures).
void settle(int ms)
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

// Runs the event loop until the port has closed: woken by the component, so that the wait costs nothing.
void untilClosed(const Zem &zem)
{
    QEventLoop loop;
    QObject::connect(&zem.comm(), &CommComponent::stateChanged, &loop, [&] {
        if (!zem.comm().PortOpen())
            loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (zem.comm().PortOpen())
        loop.exec();
}

// A device on a thread of its own, so that it keeps its pace whatever the program's thread is doing,
// and its work does not count as the program's.
class Remote
{
public:
    explicit Remote(Device *device, int readRate = -1)
        : m_device(device)
    {
        m_device->setReadRate(readRate);
        m_device->moveToThread(&m_thread);
        m_thread.start();
    }
    ~Remote()
    {
        on([this] { m_device->moveToThread(QApplication::instance()->thread()); });
        m_thread.quit();
        m_thread.wait();
    }
    // Runs `f` on the device's thread and waits for it.
    template<typename F> void on(F f)
    {
        QMetaObject::invokeMethod(m_device, f, Qt::BlockingQueuedConnection);
    }
    // CPU time the device's thread has used, in milliseconds.
    qint64 cpuMs();
    qsizetype received()
    {
        qsizetype size = 0;
        on([&] { size = m_device->received.size(); });
        return size;
    }
    // Writes `bytes` in `chunk`-byte writes, `perSecond` bytes a second (0: as fast as the line takes them).
    void send(const QByteArray &bytes, qsizetype chunk, double perSecond)
    {
        m_sent = false;
        on([=] {
            auto *writer = new QTimer(m_device);
            writer->setSingleShot(true);
            writer->setTimerType(Qt::PreciseTimer);
            auto clock = std::make_shared<QElapsedTimer>();
            auto done = std::make_shared<qsizetype>(0);
            clock->start();
            QObject::connect(writer, &QTimer::timeout, m_device, [=] {
                const auto dueMs = [&] { return perSecond > 0 ? double(*done) * 1000 / perSecond : 0.0; };
                while (*done < bytes.size() && dueMs() <= double(clock->elapsed())) {
                    const qsizetype n = m_device->send(
                        QByteArrayView(bytes).sliced(*done, std::min(chunk, bytes.size() - *done)));
                    *done += n;
                    if (n < chunk)
                        break; // the line is full
                }
                if (*done == bytes.size()) {
                    m_sent = true;
                    writer->deleteLater();
                } else {
                    writer->start(std::max(1, int(std::ceil(dueMs() - double(clock->elapsed())))));
                }
            });
            writer->start(0);
        });
    }
    void waitSent()
    {
        runUntil([this] { return bool(m_sent); }, 600000);
    }

private:
    Device *m_device;
    QThread m_thread;
    std::atomic<bool> m_sent{true};
};

// The program's window, its Com 1 connected to a device, messages answered rarely enough not to
// count in the figures.
struct Program : Zem
{
    explicit Program(int readRate = -1)
        : remote(connect(1), readRate)
        , response(find(u"txtResponse"_s))
    {
        answer.setInterval(200);
    }
    // The Response field at its bound; returns what it holds.
    QString fill() const
    {
        QString text =
            prependReceived({}, QString::fromLatin1(randomBytes(TextField::Limit, 1)), TextField::Limit);
        response->setText(text);
        response->setCursorPosition(0);
        QApplication::processEvents();
        return text;
    }

    // Writes until the line takes no more (the device reads nothing), then `more`.
    void clog(qsizetype more) const
    {
        for (qint64 queued = 0, i = 0; i < 256 && (queued == 0 || comm().OutBufferCount() < queued);
             ++i, settle(100))
            comm().setOutput(QString(4096, u'x')), queued = comm().OutBufferCount();
        comm().setOutput(QString(more, u'x'));
    }

    Remote remote;
    QLineEdit *response;
};

// CPU time this thread (or with RUSAGE_SELF, the process) used, in milliseconds.
qint64 cpuMs(int who = RUSAGE_THREAD)
{
    rusage use{};
    ::getrusage(who, &use);
    return (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1000 +
           (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1000;
}

qint64 Remote::cpuMs()
{
    qint64 ms = 0;
    on([&] { ms = ::cpuMs(); });
    return ms;
}

// CPU time of every thread of the program but the device's, as a share of a core: the window's and
// the recording's.
struct ProgramShare
{
    explicit ProgramShare(Remote &deviceThread)
        : remote(deviceThread)
    {
        wall.start();
    }
    double operator()() const
    {
        const qint64 used = (cpuMs(RUSAGE_SELF) - process) - (remote.cpuMs() - device);
        return double(used) / double(std::max<qint64>(1, wall.elapsed()));
    }
    Remote &remote;
    qint64 process = cpuMs(RUSAGE_SELF);
    qint64 device = remote.cpuMs();
    QElapsedTimer wall;
};

// CPU time of the program's thread against the time that went by, as a share of a core.
struct CpuShare
{
    CpuShare() { wall.start(); }
    double operator()() const { return double(cpuMs() - cpu) / double(std::max<qint64>(1, wall.elapsed())); }
    qint64 cpu = cpuMs();
    QElapsedTimer wall;
};

// Longest gap between the ticks of a timer: how long the window stopped answering, to within `ms`.
struct Watchdog
{
    explicit Watchdog(int ms = 1)
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { longest = std::max(longest, since.restart()); });
        since.start();
        timer.start(ms);
    }
    QTimer timer;
    QElapsedTimer since;
    qint64 longest = 0;
};

void startup()
{
    const double before = rssMiB();
    QElapsedTimer clock;
    clock.start();
    frmMain window(new SerialPortComm);
    window.show();
    QApplication::processEvents();
    std::printf(
        "Start-up: the window built and shown in %lld ms, the process at %.0f MiB (%.0f MiB before)\n",
        static_cast<long long>(clock.elapsed()), rssMiB(), before);
}

void display()
{
    std::printf("\nOne OnComm of 1024 bytes, painting included\n");
    Program zem;
    const QString batch = QString::fromLatin1(randomBytes(1024, 2));
    for (const int length : {0, TextField::Limit / 2, TextField::Limit}) {
        const QString start = prependReceived({}, QString::fromLatin1(randomBytes(length, 1)), length);
        qint64 total = 0;
        for (int i = 0; i < 20; ++i) {
            zem.response->setText(start);
            QApplication::processEvents();
            QElapsedTimer clock;
            clock.start();
            zem.response->setText(prependReceived(zem.response->text(), batch, TextField::Limit));
            zem.response->setCursorPosition(0);
            QApplication::processEvents();
            total += clock.nsecsElapsed();
        }
        std::printf("  field at %5d characters: %5.2f ms\n", length, double(total) / 20 / 1e6);
    }
}

void stream()
{
    std::printf("\n10 s of a device streaming at the line's 960 bytes/s, the field at its bound\n");
    for (const qsizetype chunk : {14, 1}) {
        Program zem;
        const QString start = zem.fill();
        // Lag: from the first bytes of a batch reaching the program to the field showing them.
        QElapsedTimer waiting;
        qint64 worst = 0;
        QObject::connect(zem.window->findChild<QSerialPort *>(), &QSerialPort::readyRead, [&] {
            if (!waiting.isValid())
                waiting.start();
        });
        QObject::connect(zem.window->comm(), &CommComponent::OnComm, [&] {
            if (waiting.isValid())
                worst = std::max(worst, waiting.elapsed());
            waiting.invalidate();
        });
        const QByteArray bytes = randomBytes(9600, 3);
        const CpuShare share;
        zem.remote.send(bytes, chunk, 960);
        settle(10000);
        const double used = share();
        zem.remote.waitSent();
        settle(500);
        const bool exact =
            zem.response->text() == prependReceived(start, QString::fromLatin1(bytes), TextField::Limit);
        std::printf("  %2lld-byte writes: %4.1f%% of a core, worst lag %3lld ms, final text %s\n",
                    static_cast<long long>(chunk), used * 100, static_cast<long long>(worst),
                    exact ? "exact" : "WRONG");
    }
}

void lone()
{
    Program zem;
    zem.fill();
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        settle(200);
        const QString before = zem.response->text();
        QElapsedTimer clock;
        clock.start();
        zem.remote.on([&] { zem.devices[0]->send(QByteArray(1, char(i))); });
        runUntil([&] { return zem.response->text() != before; }, 2000);
        latencies.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf(
        "\nA lone byte after 200 ms of quiet, the field at its bound: %.1f ms to the field at most, %.1f "
        "ms typically\n",
        latencies.back(), latencies[latencies.size() / 2]);
}

// Sends `bytes` from the device as fast as the line takes them: how long until the newest show, and how
// much the process's memory grew meanwhile.
std::pair<double, double> flooded(Program &zem, const QByteArray &bytes)
{
    const QString newest = receivedText(QString::fromLatin1(bytes.right(16)));
    const double rss = rssMiB();
    double peak = rss;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, rssMiB()); });
    sampler.start(20);
    QElapsedTimer clock;
    clock.start();
    zem.remote.send(bytes, 4096, 0);
    runUntil([&] { return zem.response->text().startsWith(newest); }, 300000);
    const double secs = double(clock.elapsed()) / 1000;
    zem.remote.waitSent();
    return {secs, peak - rss};
}

void flood()
{
    std::printf("\nA flood: bytes as fast as a pseudo-terminal takes them, the field at its bound\n");
    for (const qsizetype size : {qsizetype(1) << 20, qsizetype(16) << 20}) {
        Program zem;
        const QString start = zem.fill();
        const QByteArray bytes = randomBytes(size, 4);
        Watchdog watchdog;
        const auto [secs, grew] = flooded(zem, bytes);
        const bool exact =
            zem.response->text() == prependReceived(start, QString::fromLatin1(bytes), TextField::Limit);
        std::printf(
            "  %2lld MiB: %8.0f bytes/s (%.0f times the line), longest stall %lld ms, RSS grew %.1f MiB, "
            "final text %s\n",
            static_cast<long long>(size >> 20), double(size) / secs, double(size) / secs / 960,
            static_cast<long long>(watchdog.longest), grew, exact ? "exact" : "WRONG");
    }
}

void record()
{
    std::printf("\nThe session recorded to a file on the machine's disk, synced after every write\n");
    // The line's rate for 10 s, the field at its bound, without a record and with a text log.
    for (const bool recorded : {false, true}) {
        Program zem;
        zem.fill();
        QTemporaryDir dir(QDir::homePath() + u"/zem-bench-XXXXXX"_s);
        if (recorded)
            zem.window->findChild<Recording *>()->start(dir.filePath(u"stream.log"_s),
                                                        Recording::Format::Text);
        const ProgramShare share(zem.remote);
        zem.remote.send(randomBytes(9600, 3), 14, 960);
        settle(10000);
        std::printf("  960 bytes/s in 14-byte writes %s: %.2f%% of a core, all the program's threads\n",
                    recorded ? "recorded" : "not recorded", share() * 100);
        zem.remote.waitSent();
    }
    // A flood recorded raw: the file against what the device sent.
    for (const bool recorded : {false, true}) {
        Program zem;
        QTemporaryDir dir(QDir::homePath() + u"/zem-bench-XXXXXX"_s);
        if (recorded)
            zem.window->findChild<Recording *>()->start(dir.filePath(u"flood.bin"_s), Recording::Format::Raw);
        const QByteArray bytes = randomBytes(qsizetype(16) << 20, 8);
        const auto [secs, grew] = flooded(zem, bytes);
        QFile file(dir.filePath(u"flood.bin"_s));
        runUntil([&] { return !recorded || file.size() >= bytes.size(); }, 60000);
        const bool exact = !recorded || (file.open(QIODevice::ReadOnly) && file.readAll() == bytes);
        std::printf("  16 MiB flood %s: %.0f times the line, RSS grew %.1f MiB%s\n",
                    recorded ? "recorded raw" : "not recorded", double(bytes.size()) / secs / 960, grew,
                    recorded ? (exact ? ", the file exact" : ", the file WRONG") : "");
    }
}

void journal()
{
    std::printf("\nThe journal of the session\n");
    // Through the program: a minute of a device that sends a lone byte every 150 ms, then of one that
    // streams at the line's rate.
    for (const auto &[what, chunk, perSecond] : {std::tuple{"a lone byte every 150 ms", 1, 1000.0 / 150},
                                                 std::tuple{"960 bytes/s in 14-byte writes", 14, 960.0}}) {
        Program zem;
        const auto *journal = zem.window->findChild<Journal *>();
        settle(1000);
        const double before = rssMiB();
        const qint64 cost = journal->cost();
        zem.remote.send(randomBytes(qsizetype(perSecond * 60), 9), chunk, perSecond);
        zem.remote.waitSent();
        settle(500);
        std::printf("  60 s of %s: the journal's cost grew %.1f KiB, the process %.2f MiB\n", what,
                    double(journal->cost() - cost) / 1024, rssMiB() - before);
    }
    // The journal driven as the component drives it, at accelerated time: an entry settles once the
    // clock would have let it.
    struct Run
    {
        const char *what;
        qint64 entries;
        int writes; // of 14 bytes an entry, or a lone byte
    };
    for (const Run &run :
         {Run{"a million lone bytes", 1000000, 0}, Run{"a week of a lone byte every 150 ms", 4032000, 0},
          Run{"a day of the line's 960 bytes/s, in 14-byte writes", 864000, 7}}) {
        const double before = heapMiB();
        {
            Journal journal;
            const QByteArray bytes = randomBytes(run.writes ? 14 : 1, 10);
            for (qint64 i = 0; i < run.entries; ++i) {
                for (int w = 0; w < std::max(1, run.writes); ++w)
                    journal.add(JournalEntry::Received, 1, bytes);
                journal.settle();
            }
            const double grew = heapMiB() - before;
            std::printf(
                "  %s: %lld entries kept of %lld, counted at %.1f MiB of its %lld MiB; the heap in use grew "
                "%.1f MiB (%.1f bytes an entry kept, %lld counted)\n",
                run.what, static_cast<long long>(journal.end() - journal.begin()),
                static_cast<long long>(run.entries), double(journal.cost()) / (1 << 20),
                static_cast<long long>(Journal::Bound >> 20), grew,
                grew * (1 << 20) / double(journal.end() - journal.begin()),
                static_cast<long long>(Journal::EntryCost + (run.writes ? 14 * run.writes : 1)));
        }
    }
    // A record started on a journal at its bound (the line's stream): how long the window waits at most,
    // and how long until the file holds it all.
    Program zem;
    auto *journal = zem.window->findChild<Journal *>();
    const QByteArray bytes = randomBytes(14, 11);
    while (journal->begin() == 0) {
        for (int w = 0; w < 7; ++w)
            journal->add(JournalEntry::Received, 1, bytes);
        journal->settle();
    }
    QTemporaryDir dir(QDir::homePath() + u"/zem-bench-XXXXXX"_s);
    auto *recording = zem.window->findChild<Recording *>();
    Watchdog watchdog;
    QElapsedTimer clock;
    clock.start();
    recording->start(dir.filePath(u"full.log"_s), Recording::Format::Text);
    recording->stop();
    runUntil([&] { return !recording->saving(); }, 600000);
    std::printf(
        "  a record started on a journal at its bound (%lld entries): written in %.1f s, %.0f MB; the "
        "window waited %lld ms at most\n",
        static_cast<long long>(journal->end() - journal->begin()), double(clock.elapsed()) / 1000,
        double(QFileInfo(dir.filePath(u"full.log"_s)).size()) / 1e6,
        static_cast<long long>(watchdog.longest));
}

void blocked()
{
    // Disconnect waits up to ten seconds for output a device does not read; meanwhile the device
    // streams at the line's speed for nine and a half. Everything it sent must reach the field.
    Program zem(0);
    zem.comm().setOutput(QString(20000, u'x'));
    const QByteArray bytes = randomBytes(9120, 5);
    const CpuShare share;
    zem.remote.send(bytes, 14, 960);
    Watchdog watchdog(10);
    zem.trigger(u"mnuConnect"_s);
    untilClosed(zem);
    const double held = double(share.wall.elapsed()) / 1000;
    const double used = share();
    zem.remote.waitSent();
    settle(500);
    const bool exact =
        zem.response->text() == prependReceived({}, QString::fromLatin1(bytes), TextField::Limit);
    std::printf(
        "\n%.1f s of the line arriving while Disconnect waited %.1f s for a device that does not read: %s, "
        "%.1f%% of a core meanwhile, longest stall %lld ms\n",
        double(bytes.size()) / 960, held, exact ? "every byte reached the field, in order" : "bytes LOST",
        used * 100, static_cast<long long>(watchdog.longest));
}

void close()
{
    // Disconnect with 16 KiB queued beyond what the line takes, the device not reading: how long the
    // close waits, the longest the window stops answering meanwhile, and what it says it discarded. On
    // the real-line stage's UART: scripts/guest env ZEM_CABLES=uart build/bench/zem-bench close
    Program zem(0);
    zem.clog(qsizetype(16) * 1024);
    const qint64 queued = zem.comm().OutBufferCount();
    Watchdog watchdog;
    QElapsedTimer clock;
    clock.start();
    zem.trigger(u"mnuConnect"_s);
    untilClosed(zem);
    const double held = double(clock.elapsed()) / 1000;
    runUntil([&] { return !zem.messages.isEmpty(); }, 2000);
    std::printf(
        "\nDisconnect with %lld bytes queued (%s), the device not reading: closed after %.1f s, longest "
        "stall %lld ms; told \"%s\"\n",
        static_cast<long long>(queued), qPrintable(zem.devices[0]->path), held,
        static_cast<long long>(watchdog.longest), qPrintable(zem.messages.value(0)));
}

void paste()
{
    // 16 MiB pasted into TEXT by the keys and by the context menu, refused as it is measured before the
    // field takes it in; then the same put in by QLineEdit's own insert, as every paste was before, which
    // the limit refuses only afterwards.
    Program zem;
    QLineEdit *field = zem.find(u"txtTextOut"_s);
    const QString huge(16 << 20, u'x');
    QGuiApplication::clipboard()->setText(huge);
    const auto byMenu = [field] {
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(1, 1), field->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(field, &click);
        auto *menu = field->findChild<QMenu *>();
        for (QAction *action : menu->actions())
            if (action->text().endsWith(u"\tCtrl+V"_s))
                action->trigger();
        delete menu;
    };
    for (const char *way :
         {"by the keys", "by the context menu", "through QLineEdit's own insert, as before"}) {
        const double peak = peakMiB();
        QElapsedTimer clock;
        clock.start();
        const QByteArray how(way);
        how.startsWith("by the keys")      ? QTest::keySequence(field, QKeySequence::Paste)
        : how.startsWith("by the context") ? byMenu()
                                           : field->insert(huge);
        std::printf("%s16 MiB paste %s: refused in %lld ms, the process's peak memory grew %.0f MiB\n",
                    how.startsWith("by the keys") ? "\n" : "", way, static_cast<long long>(clock.elapsed()),
                    peakMiB() - peak);
    }
}

void sending()
{
    {
        Program zem(8000);
        auto *sending = zem.find<QLabel>(u"sending"_s);
        QStringList texts;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (sending->isVisible() && (texts.isEmpty() || texts.last() != sending->text()))
                texts.append(sending->text());
        });
        watch.start(1);
        // Two Sends of a full TEXT field.
        zem.type(u"txtTextOut"_s, QString(TextField::Limit, u'x'));
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 2; ++i)
            zem.click(u"btnSend1"_s);
        runUntil([&] { return sending->isVisible(); }, 5000);
        const qint64 shown = clock.elapsed();
        runUntil([&] { return zem.comm().OutBufferCount() == 0; }, 60000);
        clock.start();
        runUntil([&] { return !sending->isVisible(); }, 5000);
        const qint64 gone = clock.elapsed();
        watch.stop();
        const CpuShare idle;
        settle(5000);
        std::printf(
            "\n%d KiB (two full TEXT Sends) sent to a device reading 8000 bytes/s: the count showed after "
            "%lld ms, changed %lld times (\"%s\" ... \"%s\"), and went %lld ms after the queue emptied. "
            "Then, "
            "port open and idle: %.2f%% of a core\n",
            2 * TextField::Limit / 1024, static_cast<long long>(shown), static_cast<long long>(texts.size()),
            qPrintable(texts.value(0)), qPrintable(texts.value(texts.size() - 1)),
            static_cast<long long>(gone), idle() * 100);
    }
    {
        // The device talks, a byte every 2 ms, and reads 20 KB/s; Disconnect right after sending 256 KiB.
        Program zem(20000);
        zem.remote.send(randomBytes(6000, 6), 1, 500);
        zem.comm().setOutput(QString(qsizetype(256) * 1024, u'x'));
        const CpuShare share;
        zem.trigger(u"mnuConnect"_s);
        untilClosed(zem);
        const double held = double(share.wall.elapsed()) / 1000;
        std::printf(
            "Disconnect with 256 KiB queued, the device talking and reading 20 KB/s: drained for %.1f s, "
            "%.1f%% of a core, the device got %.0f KiB\n",
            held, share() * 100, double(zem.remote.received()) / 1024);
    }
}

void fields()
{
    // Every field at its limit, one of them focused (its cursor blinking), each holding every byte value.
    Program zem;
    const QString full = QString::fromLatin1(randomBytes(TextField::Limit, 7)).replace(u'\0', u' ');
    for (QLineEdit *field : zem.window->findChildren<QLineEdit *>())
        field->setText(full);
    zem.fill();
    zem.find(u"txtHEX0"_s)->setFocus();
    settle(500);
    const CpuShare idle;
    settle(5000);
    const double used = idle();
    qint64 slowest = 0;
    for (const QString &name : {u"txtHEX1"_s, u"btnClear1"_s, u"txtResponse"_s, u"txtHEX0"_s}) {
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(zem.find<QWidget>(name), Qt::LeftButton);
        QApplication::processEvents();
        slowest = std::max(slowest, clock.elapsed());
        if (name == "btnClear1"_L1)
            zem.type(u"txtTextOut"_s, full);
    }
    std::printf("\nEvery field at its limit of %d characters, one focused: %.2f%% of a core at rest; a click "
                "elsewhere answered within %lld ms\n",
                TextField::Limit, used * 100, static_cast<long long>(slowest));
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
        {"flood", flood},     {"record", record},   {"journal", journal}, {"blocked", blocked},
        {"sending", sending}, {"close", close},     {"paste", paste},     {"fields", fields}};
    for (const auto &[name, run] : all) {
        if (wanted(name)) {
            run();
            std::fflush(stdout);
        }
    }
    return 0;
}
