#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <deque>

namespace zem {

// One thing that happened on the line, with its time.
struct JournalEntry
{
    enum Kind : char
    {
        Sent = '>',
        Received = '<',
        Event = '*'
    };
    qint64 time = 0; // milliseconds since the epoch
    Kind kind = Event;
    int port = 0;
    QByteArray bytes; // what went out or came in
    QString words;    // what happened, for an event
};

// The entry as one line of a text record: the local time to the millisecond with its offset from UTC,
// the Com number, > for bytes sent, < for bytes received, * for an event, then the bytes in decimal,
// oldest first, or the event in words.
QByteArray textLine(const JournalEntry &entry);

// Everything the line did since the program started, in memory, so that a record started at any time
// holds it all. Past `bound` bytes the oldest entries go.
class Journal : public QObject
{
    Q_OBJECT
public:
    // About nineteen hours of a device that streams at the line's rate.
    static constexpr qint64 Bound = qint64(64) << 20;

    explicit Journal(qint64 bound = Bound, QObject *parent = nullptr);

    void add(JournalEntry::Kind kind, int port, const QByteArray &bytes, const QString &words = {});
    const std::deque<JournalEntry> &entries() const { return m_entries; }
    // Bytes sent or received that went from the front to keep within the bound.
    qint64 dropped() const { return m_dropped; }

Q_SIGNALS:
    void added(const zem::JournalEntry &entry);

private:
    static qint64 size(const JournalEntry &entry);

    qint64 m_bound;
    qint64 m_size = 0;
    qint64 m_dropped = 0;
    std::deque<JournalEntry> m_entries;
    // Times come from a steady clock set against the wall clock once, so that they never go back.
    qint64 m_start;
    QElapsedTimer m_clock;
};

} // namespace zem
