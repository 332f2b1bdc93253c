#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <vector>

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

// Everything the line did since the program started, in memory, so that a record started at any time
// holds it all; past its bound the oldest entries go. Entries are numbered from the program's start,
// so that a reader can tell where it stands while entries come and go.
class Journal : public QObject
{
    Q_OBJECT
public:
    // What the journal may cost, its bytes and their bookkeeping: fifteen hours of a device that streams
    // at the line's rate, four days of one that sends a lone byte every 150 ms.
    static constexpr qint64 Bound = qint64(64) << 20;
    // Bytes received within this long of an entry's first byte join it, so that a stream costs an
    // entry a tenth of a second, not one each time the driver hands a few bytes over.
    static constexpr qint64 JoinMs = 100;
    // What an entry costs beside its bytes: its bookkeeping, and its share of the containers' own
    // (zem-bench measures a lone byte's cost against this).
    static constexpr qint64 EntryCost = 26;

    explicit Journal(qint64 bound = Bound, QObject *parent = nullptr);

    // Bytes sent or received on Com `port`; the time is now.
    void add(JournalEntry::Kind kind, int port, const QByteArray &bytes);
    void addEvent(int port, const QString &words);

    // The numbers of the oldest entry kept, and of the next to come.
    qint64 begin() const { return m_first; }
    qint64 end() const { return m_first + qint64(m_slots.size()); }
    // Entries before this one no longer change: the last may still take bytes that follow it closely.
    qint64 settledEnd() const { return end() - (m_joining.isActive() ? 1 : 0); }
    // Entry n, begin() <= n < end().
    JournalEntry entry(qint64 n) const;
    // The bytes sent and received in the session before entry n, begin() <= n <= end().
    qint64 bytesBefore(qint64 n) const;
    // What the entries kept cost, against the bound.
    qint64 cost() const { return m_cost; }
    // The last entry takes no more bytes: whatever comes next is an entry of its own.
    void settle();

Q_SIGNALS:
    // An entry came, grew, or settled.
    void changed();

private:
    struct Slot
    {
        qint64 time;
        qint64 at;   // where its bytes start in the stream of the session's bytes
        qint32 size; // bytes; for an event, its number
        JournalEntry::Kind kind;
        quint8 port;
    };
    qint64 now() const { return m_start + m_clock.elapsed(); }
    void append(const char *data, qint64 size);
    void dropOldest();

    qint64 m_bound;
    qint64 m_cost = 0;
    qint64 m_first = 0; // the number of m_slots.front()
    std::deque<Slot> m_slots;
    std::deque<QByteArray> m_chunks; // the stream's bytes, in chunks of ChunkSize
    qint64 m_chunksAt = 0;           // where m_chunks.front() starts in the stream
    qint64 m_streamEnd = 0;          // the stream's size so far
    std::deque<QString> m_words;     // the events' words, in order
    qint64 m_firstEvent = 0;         // the number of m_words.front()
    qint64 m_events = 0;
    QTimer m_joining; // runs while the last entry takes bytes that follow it
    // Times come from a steady clock set against the wall clock once, so that they never go back.
    qint64 m_start;
    QElapsedTimer m_clock;
};

} // namespace zem
