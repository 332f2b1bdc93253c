#pragma once

#include "journal.h"

#include <QObject>
#include <QString>

class QThread;

namespace zem {

// A record of the session in a file the operator chose: the journal as it stands when the recording
// starts, then every entry as it comes. The file is written on a thread of its own and synced after
// every write, so that the line never waits for the disk, and a crash or a power cut loses at most
// what was being written.
class Recording : public QObject
{
    Q_OBJECT
public:
    enum class Format
    {
        Text, // a line an entry, both ways and the line's events
        Raw   // the bytes received, exactly
    };

    explicit Recording(Journal *journal, QObject *parent = nullptr);
    ~Recording() override;

    // Starts recording to `path`; returns why it cannot, or nothing.
    QString start(const QString &path, Format format);
    void stop();
    // The file being written; empty when not recording.
    QString path() const { return m_path; }

Q_SIGNALS:
    void stateChanged();
    // The file could not be written, and the recording stopped: what happened, in the operator's words.
    void failed(const QString &message);

private:
    void post(std::vector<JournalEntry> entries);

    Journal *m_journal;
    QThread *m_thread;
    QObject *m_disk = nullptr; // the open file, on m_thread
    QString m_path;
};

} // namespace zem
