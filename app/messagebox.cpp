#include "messagebox.h"

#include <QMessageBox>

namespace zem {

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
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, [this] {
        m_texts.dequeue();
        if (!m_texts.isEmpty())
            showFirst();
    });
    box->open();
}

} // namespace zem
