#include "messagecatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>

MessageCatcher::MessageCatcher()
{
    connect(&m_timer, &QTimer::timeout, this, &MessageCatcher::poll);
    m_timer.start(5);
}

QStringList MessageCatcher::texts() const
{
    QStringList all;
    for (const Seen &s : seen)
        all.append(s.text);
    return all;
}

void MessageCatcher::settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void MessageCatcher::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    seen.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->isModal()});
    box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
}
