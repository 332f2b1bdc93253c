#include "application.h"

#include "messagebox.h"

#include <QApplication>
#include <QIcon>
#include <QTranslator>

namespace zem {

void initApplication()
{
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

} // namespace zem
