#include "application.h"

#include "frmmain.h"
#include "messagebox.h"

#include <QIcon>
#include <QSocketNotifier>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace zem {
namespace {

#ifdef Q_OS_UNIX
// A signal handler may do next to nothing: it writes a byte, and the event loop does the rest.
int signalSocket[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[1], &byte, 1);
    errno = saved;
}
#endif

// What Qt says while it looks for a window system, held until it is known whether one answered.
struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> heldMessages;

void holdMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        heldMessages.append({type, context.category, text});
        return;
    }
    // The first thing Qt said is why; what it says last is its advice before it aborts.
    const QString why =
        heldMessages.isEmpty() ? text.section(u'.', 0, 0) : heldMessages.first().text.trimmed();
    std::fprintf(stderr, "zem: the window cannot be shown: %s.\n", qPrintable(why));
    std::_Exit(1);
}

} // namespace

std::unique_ptr<QApplication> startApplication(int &argc, char **argv)
{
    const QtMessageHandler qtHandler = qInstallMessageHandler(holdMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(qtHandler);
    for (const HeldMessage &message : std::as_const(heldMessages))
        qtHandler(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.constData()),
                  message.text);
    heldMessages.clear();
    return app;
}

void initApplication()
{
#ifdef Q_OS_UNIX
    // A record that reaches the system's file size limit fails like a full disk, and one to a pipe
    // whose reader went away like a removed drive, rather than end the program.
    ::signal(SIGXFSZ, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);
#endif
    QApplication::setApplicationName(applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(ZEM_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Quorvane"));
    // Ties the window to its desktop entry (Wayland needs this for the icon and the name).
    QGuiApplication::setDesktopFileName(QStringLiteral("zem"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zem.svg")));
    // The texts are English already; this gives their counts the right plural ("1 byte", "2 bytes").
    auto *plurals = new QTranslator(qApp);
    if (plurals->load(QStringLiteral(":/i18n/zem_en.qm")))
        QCoreApplication::installTranslator(plurals);
}

void closeOnSignals(frmMain *window)
{
#ifdef Q_OS_UNIX
    if (signalSocket[0] < 0) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalSocket) != 0)
            return;
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(signal, &action, nullptr);
    }
    auto *notifier = new QSocketNotifier(signalSocket[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char bytes[64];
        while (::read(signalSocket[0], bytes, sizeof bytes) > 0) {
        }
        window->close();
    });
#else
    Q_UNUSED(window)
#endif
}

} // namespace zem
