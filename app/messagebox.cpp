#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

namespace zem {
namespace {

// What the operator does with the keys, the mouse or a pen.
bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

QString applicationTitle()
{
    return QStringLiteral("ZEM");
}

MessageQueue::MessageQueue(QWidget *window)
    : QObject(window)
    , m_window(window)
{}

void MessageQueue::tell(const QString &text)
{
    m_texts.enqueue(text);
    if (m_texts.size() == 1)
        showFirst();
}

void MessageQueue::showFirst()
{
    auto *box =
        new QMessageBox(QMessageBox::NoIcon, applicationTitle(), m_texts.head(), QMessageBox::Ok, m_window);
    box->setTextFormat(Qt::PlainText);
    connect(box, &QDialog::finished, this, [this] {
        m_texts.dequeue();
        if (!m_texts.isEmpty())
            showFirst();
    });
    open(box);
}

void MessageQueue::open(QDialog *dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    if (m_standing.isEmpty())
        qApp->installEventFilter(this);
    m_standing.append(dialog);
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        m_standing.removeAll(dialog);
        if (m_standing.isEmpty())
            qApp->removeEventFilter(this);
    });
    dialog->show();
}

void MessageQueue::dismissAll()
{
    while (!m_texts.isEmpty())
        qWarning().noquote() << m_texts.dequeue();
    for (const QPointer<QDialog> &dialog : std::as_const(m_standing)) {
        if (dialog) {
            dialog->disconnect(this);
            dialog->close();
        }
    }
    m_standing.clear();
    qApp->removeEventFilter(this);
}

bool MessageQueue::eventFilter(QObject *watched, QEvent *event)
{
    // Input to the window waits for the dialog, and so does the window's turn at the front.
    const auto *widget = qobject_cast<QWidget *>(watched);
    const bool ofWindow =
        widget ? widget->window() == m_window : watched == static_cast<QObject *>(m_window->windowHandle());
    if (ofWindow && event->type() == QEvent::WindowActivate && !m_standing.isEmpty())
        QTimer::singleShot(0, m_standing.last(), [dialog = m_standing.last()] { dialog->activateWindow(); });
    return ofWindow && isInput(event->type());
}

} // namespace zem
