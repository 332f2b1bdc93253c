#include "journal.h"

#include <QDateTime>

#include <algorithm>

namespace zem {
namespace {

// The session's bytes are kept in chunks of this size, every one full but the last, so that the
// oldest go a chunk at a time and nothing is ever moved.
constexpr qint64 ChunkSize = 1 << 16;
// The most bytes one entry takes in: a flood still gets an entry now and then.
constexpr qint64 MaxJoined = 1 << 20;

} // namespace

Journal::Journal(qint64 bound, QObject *parent)
    : QObject(parent)
    , m_bound(bound)
    , m_start(QDateTime::currentMSecsSinceEpoch())
{
    static_assert(sizeof(Slot) + 2 <= EntryCost, "an entry costs its slot and the deque's share of it");
    m_clock.start();
    m_joining.setSingleShot(true);
    m_joining.setInterval(int(JoinMs));
    connect(&m_joining, &QTimer::timeout, this, &Journal::changed);
}

void Journal::add(JournalEntry::Kind kind, int port, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    Slot *last = m_slots.empty() ? nullptr : &m_slots.back();
    if (kind == JournalEntry::Received && m_joining.isActive() && last->port == port &&
        last->size + bytes.size() <= MaxJoined) {
        last->size += qint32(bytes.size());
    } else {
        m_slots.push_back({now(), m_streamEnd, qint32(bytes.size()), kind, quint8(port)});
        m_cost += EntryCost;
        if (kind == JournalEntry::Received)
            m_joining.start();
        else
            m_joining.stop();
    }
    append(bytes.constData(), bytes.size());
    m_cost += bytes.size();
    while (m_cost > m_bound && m_slots.size() > 1)
        dropOldest();
    Q_EMIT changed();
}

void Journal::addEvent(int port, const QString &words)
{
    m_joining.stop();
    m_slots.push_back({now(), m_streamEnd, qint32(m_events++), JournalEntry::Event, quint8(port)});
    m_words.push_back(words);
    m_cost += EntryCost + qint64(sizeof(QString)) + 2 * words.size();
    while (m_cost > m_bound && m_slots.size() > 1)
        dropOldest();
    Q_EMIT changed();
}

void Journal::settle()
{
    if (m_joining.isActive()) {
        m_joining.stop();
        Q_EMIT changed();
    }
}

void Journal::append(const char *data, qint64 size)
{
    while (size > 0) {
        if (m_chunks.empty() || m_chunks.back().size() == ChunkSize) {
            m_chunks.emplace_back();
            m_chunks.back().reserve(ChunkSize);
        }
        QByteArray &chunk = m_chunks.back();
        const qint64 taken = std::min(size, ChunkSize - chunk.size());
        chunk.append(data, taken);
        data += taken, size -= taken, m_streamEnd += taken;
    }
}

void Journal::dropOldest()
{
    const Slot &oldest = m_slots.front();
    if (oldest.kind == JournalEntry::Event) {
        m_cost -= EntryCost + qint64(sizeof(QString)) + 2 * m_words.front().size();
        m_words.pop_front();
        ++m_firstEvent;
    } else {
        m_cost -= EntryCost + oldest.size;
    }
    m_slots.pop_front();
    ++m_first;
    // Chunks that hold nothing kept any more go.
    while (m_chunksAt + ChunkSize <= m_slots.front().at) {
        m_chunks.pop_front();
        m_chunksAt += ChunkSize;
    }
}

JournalEntry Journal::entry(qint64 n) const
{
    const Slot &slot = m_slots[size_t(n - m_first)];
    JournalEntry entry{slot.time, slot.kind, slot.port, {}, {}};
    if (slot.kind == JournalEntry::Event) {
        entry.words = m_words[size_t(slot.size - m_firstEvent)];
        return entry;
    }
    entry.bytes.reserve(slot.size);
    for (qint64 at = slot.at - m_chunksAt, left = slot.size; left > 0;) {
        const QByteArray &chunk = m_chunks[size_t(at / ChunkSize)];
        const qint64 taken = std::min(left, ChunkSize - at % ChunkSize);
        entry.bytes.append(chunk.constData() + at % ChunkSize, taken);
        at += taken, left -= taken;
    }
    return entry;
}

qint64 Journal::bytesBefore(qint64 n) const
{
    return n < end() ? m_slots[size_t(n - m_first)].at : m_streamEnd;
}

} // namespace zem
