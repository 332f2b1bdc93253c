#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <mutex>
#include <thread>

// The far end of a serial line: the master side of a pseudo-terminal, read by a thread of its own
// so that it keeps taking bytes while the program blocks. The program opens path().
class PtyDevice
{
public:
    PtyDevice();
    ~PtyDevice();
    PtyDevice(const PtyDevice &) = delete;
    PtyDevice &operator=(const PtyDevice &) = delete;

    QString path() const { return m_path; }
    bool isPresent() const { return m_master >= 0; }

    // Writes all of data, running the event loop while the line is full.
    void write(const QByteArray &data);
    QByteArray received() const;
    void clearReceived();
    // Runs the event loop until at least `count` bytes arrived or the time is up.
    bool waitForReceived(qsizetype count, int timeoutMs = 5000) const;
    // A device that stops reading leaves the program's output waiting.
    void setReading(bool reading) { m_reading = reading; }
    // Unplugs the device: the program's open port fails.
    void hangUp();

private:
    void readLoop();

    QString m_path;
    int m_master = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_reading{true};
    mutable std::mutex m_mutex;
    QByteArray m_received;
    std::thread m_reader;
};
