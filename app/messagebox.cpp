#include "messagebox.h"

#include <QMessageBox>

namespace zem {

QString applicationTitle()
{
    return QStringLiteral("ZEM");
}

void showMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace zem
