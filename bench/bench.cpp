// Figures for the receive and send paths: what one OnComm costs the window, how fast received
// bytes reach the field end to end, and whether a long send leaves the window answering.
#include "commcomponent.h"
#include "frmmain.h"
#include "ptydevice.h"
#include "responsetext.h"
#include "serialportcomm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <thread>
#include <unistd.h>

using namespace zem;

namespace {

QString randomBytes(qsizetype count, quint32 seed)
{
    QRandomGenerator random(seed);
    QString bytes(count, Qt::Uninitialized);
    for (QChar &c : bytes)
        c = QChar(static_cast<char16_t>(random.bounded(256)));
    return bytes;
}

QString filledTo(int length)
{
    return prependReceived(QString(), randomBytes(length, 1)).left(length);
}

// Our handler: the batch's text built once, one field update, cursor to the front.
void updateOnce(QLineEdit *field, const QString &strData)
{
    field->setText(prependReceived(field->text(), strData));
    field->setCursorPosition(0);
}

// The literal rule: the whole field rewritten once per byte.
void updatePerByte(QLineEdit *field, const QString &strData)
{
    for (const QChar c : strData)
        field->setText(QString::number(c.unicode()) + QLatin1Char(' ') + field->text());
}

// Microseconds for one event of `batch` bytes on a field holding `length` characters, painting
// included. The per-byte rule is timed for at most `budgetMs` and scaled up to the whole batch.
double perEventUs(QLineEdit *field, int length, int batch, bool perByte, int budgetMs)
{
    const QString strData = randomBytes(batch, 2);
    const QString start = filledTo(length);
    double total = 0;
    int events = 0;
    QElapsedTimer timer;
    while (events < 20 && total < budgetMs * 1000.0) {
        field->setText(start);
        QApplication::processEvents();
        timer.start();
        if (perByte) {
            int done = 0;
            for (; done < batch && timer.elapsed() < budgetMs; ++done)
                updatePerByte(field, strData.mid(done, 1));
            QApplication::processEvents();
            total += static_cast<double>(timer.nsecsElapsed()) / 1000.0 * batch / done;
        } else {
            updateOnce(field, strData);
            QApplication::processEvents();
            total += static_cast<double>(timer.nsecsElapsed()) / 1000.0;
        }
        ++events;
    }
    return total / events;
}

void displayCost(QLineEdit *field)
{
    std::printf("Per-event cost of the received-data display (microseconds, painting included)\n");
    std::printf("%8s %8s %14s %14s %10s\n", "field", "batch", "one update", "per byte", "speed-up");
    for (const int length : {0, 16384, ResponseLimit}) {
        for (const int batch : {1, 64, 1024}) {
            const double ours = perEventUs(field, length, batch, false, 2000);
            const double literal = perEventUs(field, length, batch, true, 1500);
            std::printf("%8d %8d %14.1f %14.1f %9.0fx\n", length, batch, ours, literal, literal / ours);
        }
    }
}

// Longest gap between the ticks of a 1 ms timer: how long the window stopped answering.
class Watchdog
{
public:
    Watchdog()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 gap = m_since.restart();
            m_longest = std::max(m_longest, gap);
            if (gap > 10)
                ++m_over10;
        });
        m_since.start();
        m_timer.start(1);
    }
    qint64 longestMs() const { return m_longest; }
    int over10() const { return m_over10; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
    int m_over10 = 0;
};

void endToEnd()
{
    PtyDevice device;
    frmMain window(new SerialPortComm([&] { return zem::ComMap{{{device.path(), {}, {}}}}; }));
    window.show();
    auto *field = window.findChild<QLineEdit *>(QStringLiteral("txtResponse"));
    const QString start = filledTo(ResponseLimit);
    field->setText(start);
    window.comm()->setPortOpen(true);
    QApplication::processEvents(); // the first paint of the full field is not part of the run

    const QString bytes = randomBytes(1 << 20, 3);
    const QByteArray raw = bytes.toLatin1();
    const QString expected = prependReceived(start, bytes);
    // The field is done once it ends in the oldest bytes that fit and begins with the newest.
    const QString newest = receivedText(QStringView(bytes).right(16));

    Watchdog watchdog;
    QElapsedTimer timer;
    timer.start();
    std::thread writer([&] { device.write(raw); });
    while (!field->text().startsWith(newest) && timer.elapsed() < 120000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    writer.join();
    QApplication::processEvents();
    std::printf("\nEnd to end: 1 MiB of random bytes into an open port, field at its limit\n");
    const double rate = static_cast<double>(raw.size()) / seconds;
    std::printf("  throughput     %.0f bytes/s (%.1f times a 9600-baud line)\n", rate, rate / 960.0);
    std::printf("  longest stall  %lld ms (%d stalls over 10 ms)\n",
                static_cast<long long>(watchdog.longestMs()), watchdog.over10());
    std::printf("  final text     %s\n", field->text() == expected ? "exact" : "WRONG");
}

void longSend()
{
    PtyDevice device;
    frmMain window(new SerialPortComm([&] { return zem::ComMap{{{device.path(), {}, {}}}}; }));
    window.show();
    window.comm()->setPortOpen(true);
    const QString text = randomBytes(1 << 20, 4);
    // Laying out a pasted mebibyte is the field's own cost, paid once before Send is pressed.
    QElapsedTimer paste;
    paste.start();
    window.findChild<QLineEdit *>(QStringLiteral("txtTextOut"))->setText(text);
    QApplication::processEvents();
    const qint64 pasteMs = paste.elapsed();

    Watchdog watchdog;
    QElapsedTimer timer;
    timer.start();
    window.findChild<QPushButton *>(QStringLiteral("btnSend1"))->click();
    while (device.received().size() < text.size() && timer.elapsed() < 120000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("\nSend: 1 MiB pasted into the TEXT row\n");
    std::printf("  delivered      %s in %.2f s (%.0f bytes/s)\n",
                device.received() == text.toLatin1() ? "whole and in order" : "WRONG", seconds,
                static_cast<double>(text.size()) / seconds);
    std::printf("  longest stall  %lld ms (pasting it took the field %lld ms before Send)\n",
                static_cast<long long>(watchdog.longestMs()), static_cast<long long>(pasteMs));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    {
        frmMain window(new SerialPortComm);
        window.show();
        displayCost(window.findChild<QLineEdit *>(QStringLiteral("txtResponse")));
    }
    endToEnd();
    longSend();
    return 0;
}
