#pragma once

#include "journal.h"

#include <QObject>
#include <QString>

#include <list>

namespace zem {

class RecordFile;

// Records of the session in files the operator chose: the journal as it stands when a record starts,
// then every entry as it comes. Each file is written on a thread of its own, a piece at a time and
// synced after each, so that the window never waits for a disk, a disk that stalls holds up only its
// own record, and a crash or a power cut loses at most what was being written. A stopped record still
// gets everything up to its stop.
class Recording : public QObject
{
    Q_OBJECT
public:
    enum class Format
    {
        Text, // a line an entry, both ways and the line's events
        Raw   // the bytes received, exactly
    };
    // A stopped record whose disk takes nothing for this long is given up.
    static constexpr int StallMs = 5000;

    explicit Recording(Journal *journal, QObject *parent = nullptr);
    ~Recording() override;

    // Starts recording to `path`, stopping the record before; the file opens on its own thread, and
    // what keeps it from being written is told by failed().
    void start(const QString &path, Format format);
    void stop();
    // The file being recorded; empty when none is.
    QString path() const;
    // Stopped records still lack part of what they are to hold; each ends once it holds everything up
    // to its stop, or is given up.
    bool saving() const { return !m_finishing.empty(); }

Q_SIGNALS:
    // path() or saving() changed.
    void stateChanged();
    // A record stopped short: what happened, in the operator's words.
    void failed(const QString &message);

private:
    // A record goes once it holds everything up to its stop, or stopped short for `message`.
    void ended(RecordFile *file, const QString &message);

    Journal *m_journal;
    RecordFile *m_current = nullptr;
    std::list<RecordFile *> m_finishing;
};

} // namespace zem
