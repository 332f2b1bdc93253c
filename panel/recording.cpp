#include "recording.h"

#include <QFile>
#include <QThread>

#include <algorithm>
#include <climits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace zem {
namespace {

// The file, on the recording's thread: entries are formatted and written through there.
class Disk final : public QObject
{
public:
    Disk(QFile *file, Recording::Format format)
        : m_file(file)
        , m_format(format)
    {
        m_file->setParent(this);
    }

    // Returns why writing failed, once; after that the file is closed and takes nothing more.
    QString write(const std::vector<JournalEntry> &entries)
    {
        if (!m_file->isOpen())
            return {};
        QByteArray out;
        for (const JournalEntry &entry : entries) {
            if (m_format == Recording::Format::Text)
                out += textLine(entry);
            else if (entry.kind == JournalEntry::Received)
                out += entry.bytes;
        }
        QString failure;
        // A write cut short (at a size limit, on a full disk) says why only when tried again.
        for (qint64 done = 0, written = 0; done < out.size() && failure.isEmpty(); done += written) {
            written = m_file->write(out.constData() + done, out.size() - done);
            if (written <= 0)
                failure = m_file->errorString();
        }
#ifdef Q_OS_UNIX
        if (failure.isEmpty() && ::fdatasync(m_file->handle()) != 0 && errno != EINVAL) // EINVAL: cannot sync
            failure = qt_error_string(errno);
#endif
        if (!failure.isEmpty())
            m_file->close();
        return failure;
    }

private:
    QFile *m_file;
    Recording::Format m_format;
};

} // namespace

Recording::Recording(Journal *journal, QObject *parent)
    : QObject(parent)
    , m_journal(journal)
    , m_thread(new QThread)
{
    m_thread->setObjectName(QStringLiteral("recording"));
    connect(m_journal, &Journal::added, this, [this](const JournalEntry &entry) {
        if (m_disk)
            post({entry});
    });
}

Recording::~Recording()
{
    // What is on its way to the file goes there before the program ends; a disk that does not answer
    // within seconds is left behind.
    if (m_disk) {
        // The thread ends when the file has gone: a quit posted on its own could end the thread
        // before the deletion arrives, and leave the file open for good.
        connect(m_disk, &QObject::destroyed, m_thread, &QThread::quit, Qt::DirectConnection);
        m_disk->deleteLater();
    } else {
        m_thread->quit();
    }
    if (m_thread->wait(QDeadlineTimer(5000)))
        delete m_thread;
}

QString Recording::start(const QString &path, Format format)
{
    stop();
    auto *file = new QFile(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        QString why = file->errorString();
        delete file;
        return why;
    }
    m_thread->start(QThread::LowPriority); // at the first recording; nothing when running
    m_disk = new Disk(file, format);
    m_disk->moveToThread(m_thread);
    m_path = path;
    // The whole journal, formatted on the recording's thread.
    std::vector<JournalEntry> entries(m_journal->entries().cbegin(), m_journal->entries().cend());
    if (m_journal->dropped() > 0 && !entries.empty())
        entries.insert(entries.begin(),
                       {entries.front().time,
                        JournalEntry::Event,
                        entries.front().port,
                        {},
                        tr("This record starts after the first %Ln byte(s) of the session, which no longer "
                           "fitted in memory.",
                           nullptr, int(std::min<qint64>(m_journal->dropped(), INT_MAX)))});
    post(std::move(entries));
    Q_EMIT stateChanged();
    return {};
}

void Recording::stop()
{
    if (!m_disk)
        return;
    // Deleted after what was posted to it: the file closes once written.
    m_disk->deleteLater();
    m_disk = nullptr;
    m_path.clear();
    Q_EMIT stateChanged();
}

void Recording::post(std::vector<JournalEntry> entries)
{
    auto *disk = static_cast<Disk *>(m_disk);
    QMetaObject::invokeMethod(
        disk,
        [this, disk, entries = std::move(entries), path = m_path] {
            if (const QString why = disk->write(entries); !why.isEmpty())
                QMetaObject::invokeMethod(this, [this, disk, why, path] {
                    if (m_disk != disk)
                        return; // stopped meanwhile
                    stop();
                    Q_EMIT failed(tr("Recording to %1 stopped: %2. Nothing the line carried is lost: "
                                     "choose Record to File again to record the whole session to "
                                     "another file.")
                                      .arg(path, why));
                });
        },
        Qt::QueuedConnection);
}

} // namespace zem
