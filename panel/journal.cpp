#include "journal.h"

#include <QDateTime>

namespace zem {

QByteArray textLine(const JournalEntry &entry)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(entry.time);
    QByteArray line = local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs).toUtf8();
    line += " Com " + QByteArray::number(entry.port) + ' ' + char(entry.kind);
    if (entry.kind == JournalEntry::Event) {
        line += ' ' + entry.words.simplified().toUtf8(); // one line, whatever the words hold
    } else {
        line.reserve(line.size() + 4 * entry.bytes.size() + 1);
        for (const char byte : entry.bytes)
            line += ' ' + QByteArray::number(uchar(byte));
    }
    return line + '\n';
}

Journal::Journal(qint64 bound, QObject *parent)
    : QObject(parent)
    , m_bound(bound)
    , m_start(QDateTime::currentMSecsSinceEpoch())
{
    m_clock.start();
}

qint64 Journal::size(const JournalEntry &entry)
{
    return entry.bytes.size() + entry.words.size();
}

void Journal::add(JournalEntry::Kind kind, int port, const QByteArray &bytes, const QString &words)
{
    m_entries.push_back({m_start + m_clock.elapsed(), kind, port, bytes, words});
    m_size += size(m_entries.back());
    while (m_size > m_bound && m_entries.size() > 1) {
        m_size -= size(m_entries.front());
        m_dropped += m_entries.front().bytes.size();
        m_entries.pop_front();
    }
    Q_EMIT added(m_entries.back());
}

} // namespace zem
