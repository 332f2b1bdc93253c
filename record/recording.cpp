#include "recording.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <QDir>
#include <io.h>
#include <share.h>
#endif

namespace zem {
namespace {

// What a piece of the journal on its way to a file may cost: however long the journal and however
// slow the disk, no more waits for a file than this.
constexpr qint64 PieceCost = 1 << 20;
// Numbers on one line of a text record, so that a spreadsheet can take a line in.
constexpr qsizetype LineBytes = 1000;

int plural(qint64 count)
{
    return int(std::min<qint64>(count, INT_MAX));
}

// The local time to the millisecond, with its offset from UTC always as +hh:mm.
QByteArray stamp(qint64 ms)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    const int offset = local.offsetFromUtc() / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")).toLatin1() + (offset < 0 ? '-' : '+') +
           QByteArray::number(std::abs(offset) / 60).rightJustified(2, '0') + ':' +
           QByteArray::number(std::abs(offset) % 60).rightJustified(2, '0');
}

} // namespace

// The file, on its record's thread. Every call answers once, with why it failed or nothing.
class RecordWriter final : public QObject
{
    Q_OBJECT
public:
    RecordWriter(const QString &path, Recording::Format format)
        : m_file(this)
        , m_path(path)
        , m_format(format)
    {}

    void open() { Q_EMIT answered(opened()); }

    void write(const std::vector<JournalEntry> &entries)
    {
        QByteArray out;
        for (const JournalEntry &entry : entries) {
            if (m_format == Recording::Format::Text)
                out += textLines(entry);
            else if (entry.kind == JournalEntry::Received)
                out += entry.bytes;
        }
        QString failure;
        // A write cut short (at a size limit, on a full disk) says why only when tried again.
        for (qint64 done = 0, written = 0; done < out.size() && failure.isEmpty(); done += written) {
            written = m_file.write(out.constData() + done, out.size() - done);
            if (written <= 0)
                failure = m_file.errorString();
        }
        if (failure.isEmpty())
            failure = synced();
        Q_EMIT answered(failure);
    }

    // The entry as lines of a text record: the time, the Com number, > for bytes sent, < for bytes
    // received, * for an event, then the bytes in decimal, oldest first, or the event in words.
    static QByteArray textLines(const JournalEntry &entry)
    {
        const QByteArray head =
            stamp(entry.time) + " Com " + QByteArray::number(entry.port) + ' ' + char(entry.kind);
        if (entry.kind == JournalEntry::Event)
            return head + ' ' + entry.words.simplified().toUtf8() + '\n'; // one line, whatever the words hold
        QByteArray lines;
        lines.reserve(entry.bytes.size() * 4 + (entry.bytes.size() / LineBytes + 1) * (head.size() + 1));
        for (qsizetype i = 0; i < entry.bytes.size(); i += LineBytes) {
            lines += head;
            for (const char byte :
                 QByteArrayView(entry.bytes).sliced(i, std::min(LineBytes, entry.bytes.size() - i)))
                lines += ' ' + QByteArray::number(uchar(byte));
            lines += '\n';
        }
        return lines;
    }

Q_SIGNALS:
    // Why the file failed, or empty. (Unnamed here: moc's definition, in this file too, names it _t1.)
    void answered(const QString &);

private:
#ifdef Q_OS_UNIX
    // Opened without waiting: a named pipe that no program reads is refused at once, one read from
    // takes the record as it comes. What else the system calls a file (a device, say) is refused.
    QString opened()
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0)
            return errno == ENXIO ? tr("no program reads from that pipe") : qt_error_string(errno);
        if (::fstat(fd, &m_identity) != 0 || !(S_ISREG(m_identity.st_mode) || S_ISFIFO(m_identity.st_mode))) {
            ::close(fd);
            return tr("it is neither a file nor a named pipe");
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle);
        return {};
    }

    // On the disk, and still where the operator put it.
    QString synced()
    {
        if (!S_ISREG(m_identity.st_mode))
            return {};
        if (::fdatasync(m_file.handle()) != 0)
            return qt_error_string(errno);
        struct stat now = {};
        if (::fstat(m_file.handle(), &now) != 0 || now.st_nlink == 0)
            return tr("the file was deleted");
        if (::stat(QFile::encodeName(m_path).constData(), &now) != 0 || now.st_ino != m_identity.st_ino ||
            now.st_dev != m_identity.st_dev)
            return tr("the file was moved away, or its folder removed");
        return {};
    }

    struct stat m_identity = {};
#else
    QString opened()
    {
        int fd = -1;
        if (::_wsopen_s(&fd, reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(m_path).utf16()),
                        _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                        _S_IREAD | _S_IWRITE) != 0)
            return qt_error_string(errno);
        m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle);
        return {};
    }

    // On the disk.
    QString synced() { return ::_commit(m_file.handle()) == 0 ? QString() : qt_error_string(errno); }
#endif

    QFile m_file;
    QString m_path;
    Recording::Format m_format;
};

// One record: it takes the journal a piece at a time, each piece once the file has taken the last, up
// to its stop; a stopped record whose file does not answer is given up.
class RecordFile final : public QObject
{
public:
    // `ended` is told once, with what stopped the record short or nothing.
    RecordFile(Journal *journal, const QString &path, Recording::Format format,
               std::function<void(RecordFile *, const QString &)> ended, QObject *parent)
        : QObject(parent)
        , m_journal(journal)
        , m_path(path)
        , m_thread(new QThread)
        , m_writer(new RecordWriter(path, format))
        , m_ended(std::move(ended))
    {
        m_thread->setObjectName(QStringLiteral("record"));
        m_writer->moveToThread(m_thread);
        // The thread ends once its file has closed, and goes then, even when its record was given up.
        connect(m_writer, &QObject::destroyed, m_thread, &QThread::quit, Qt::DirectConnection);
        connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
        connect(m_thread, &QThread::finished, this, [this] {
            m_stall.stop();
            m_ended(this, {});
        });
        connect(m_writer, &RecordWriter::answered, this, &RecordFile::answered);
        connect(m_journal, &Journal::changed, this, &RecordFile::pump);
        m_stall.setSingleShot(true);
        connect(&m_stall, &QTimer::timeout, this, [this] {
            // A file that holds everything and only fails to close lacks nothing worth a word.
            giveUp(m_endAt == m_doneAt ? QString()
                                       : Recording::tr("Recording to %1 was stopped, but its disk took "
                                                       "nothing for %2 seconds: %Ln byte(s) "
                                                       "the line carried did not reach it.",
                                                       nullptr, plural(m_endAt - m_doneAt))
                                             .arg(m_path)
                                             .arg(Recording::StallMs / 1000));
        });
        m_thread->start(QThread::LowPriority);
        m_waiting.start();
        QMetaObject::invokeMethod(m_writer, &RecordWriter::open, Qt::QueuedConnection);
    }

    ~RecordFile() override
    {
        // A file that does not answer is left to its thread, which ends when the disk lets it go.
        if (m_writer)
            m_writer->deleteLater();
    }

    QString path() const { return m_path; }

    // The record ends here: it gets everything the journal holds now, and nothing after it.
    void stop()
    {
        if (m_end >= 0)
            return;
        m_journal->settle();
        m_end = m_journal->end();
        m_endAt = m_journal->bytesBefore(m_end);
        if (m_busy)
            m_stall.start(int(std::max<qint64>(0, Recording::StallMs - m_waiting.elapsed())));
        pump();
    }

private:
    void answered(const QString &failure)
    {
        m_busy = false;
        m_stall.stop();
        if (!failure.isEmpty()) {
            giveUp(
                m_opened
                    ? Recording::tr(
                          "Recording to %1 stopped: %2. Nothing the line carried is lost: choose Record to "
                          "File again to record the whole session to another file.")
                          .arg(m_path, failure)
                    : Recording::tr("Cannot record to %1: %2.").arg(m_path, failure));
            return;
        }
        m_opened = true;
        m_doneAt = m_postedAt;
        pump();
    }

    // Sends the file the next piece, when it has taken the last.
    void pump()
    {
        if (m_busy || !m_writer)
            return;
        const qint64 end = m_end >= 0 ? m_end : m_journal->settledEnd();
        std::vector<JournalEntry> piece;
        if (m_next < m_journal->begin() && m_next < end) {
            // What the journal let go before the file took it is told where it was.
            const qint64 lost =
                std::min(m_journal->bytesBefore(m_journal->begin()), m_end >= 0 ? m_endAt : LLONG_MAX) -
                m_postedAt;
            const JournalEntry first = m_journal->entry(m_journal->begin());
            piece.push_back(
                {first.time,
                 JournalEntry::Event,
                 first.port,
                 {},
                 m_next == 0 ? Recording::tr("This record starts after the first %Ln byte(s) of the session, "
                                             "which no longer fitted in memory.",
                                             nullptr, plural(lost))
                             : Recording::tr("%Ln byte(s) of the session are missing here: the file could "
                                             "not keep up, and they no longer fitted in memory.",
                                             nullptr, plural(lost))});
            m_next = m_journal->begin();
        }
        for (qint64 cost = 0; m_next < end && cost < PieceCost; ++m_next) {
            piece.push_back(m_journal->entry(m_next));
            cost += Journal::EntryCost + piece.back().bytes.size();
        }
        if (piece.empty()) {
            if (m_end >= 0 && m_next >= m_end) { // everything is in the file: it closes
                std::exchange(m_writer, nullptr)->deleteLater();
                m_stall.start(Recording::StallMs);
            }
            return;
        }
        m_postedAt = m_journal->bytesBefore(m_next);
        m_busy = true;
        m_waiting.restart();
        if (m_end >= 0)
            m_stall.start(Recording::StallMs);
        QMetaObject::invokeMethod(
            m_writer, [writer = m_writer, piece = std::move(piece)] { writer->write(piece); },
            Qt::QueuedConnection);
    }

    void giveUp(const QString &message)
    {
        disconnect(m_thread, nullptr, this, nullptr);
        if (m_writer)
            std::exchange(m_writer, nullptr)->deleteLater();
        m_ended(this, message);
    }

    Journal *m_journal;
    QString m_path;
    QPointer<QThread> m_thread; // deletes itself once it has finished
    RecordWriter *m_writer;     // on m_thread; none once it has been let go
    std::function<void(RecordFile *, const QString &)> m_ended;
    qint64 m_next = 0;     // the next journal entry for the file
    qint64 m_postedAt = 0; // the session's bytes before what the file was last given
    qint64 m_doneAt = 0;   // the session's bytes before what the file has not taken yet
    qint64 m_end = -1;     // the entry the record stops before, once stopped
    qint64 m_endAt = 0;
    bool m_busy = true; // the file has something to answer
    bool m_opened = false;
    QElapsedTimer m_waiting; // since the file was last given something
    QTimer m_stall;
};

Recording::Recording(Journal *journal, QObject *parent)
    : QObject(parent)
    , m_journal(journal)
{}

Recording::~Recording()
{
    // Whatever has not finished is left to its thread.
    delete m_current;
    for (RecordFile *file : m_finishing)
        delete file;
}

void Recording::start(const QString &path, Format format)
{
    stop();
    m_current = new RecordFile(
        m_journal, path, format, [this](RecordFile *file, const QString &message) { ended(file, message); },
        this);
    Q_EMIT stateChanged();
}

void Recording::stop()
{
    if (!m_current)
        return;
    m_finishing.push_back(std::exchange(m_current, nullptr));
    m_finishing.back()->stop();
    Q_EMIT stateChanged();
}

QString Recording::path() const
{
    return m_current ? m_current->path() : QString();
}

void Recording::ended(RecordFile *file, const QString &message)
{
    if (file == m_current)
        m_current = nullptr;
    else
        m_finishing.remove(file);
    file->deleteLater();
    if (!message.isEmpty())
        Q_EMIT failed(message);
    Q_EMIT stateChanged();
}

} // namespace zem

#include "recording.moc"
