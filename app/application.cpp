#include "application.h"

#include "messagebox.h"

#include <QApplication>
#include <QIcon>

namespace zem {

void initApplication()
{
    QApplication::setApplicationName(applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(ZEM_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Quorvane"));
    // Ties the window to its desktop entry (Wayland needs this for the icon and the name).
    QGuiApplication::setDesktopFileName(QStringLiteral("zem"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zem.svg")));
}

} // namespace zem
