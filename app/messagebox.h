#pragma once

#include <QObject>
#include <QQueue>
#include <QString>

class QWidget;

namespace zem {

// The application title, shown on every message the program gives.
QString applicationTitle();

// The program's one kind of message: modal to the window, titled with the application title, OK
// only, no icon. Messages show one at a time in the order told, and nothing waits for their OK, so a
// message standing never holds up the line.
class MessageQueue : public QObject
{
    Q_OBJECT
public:
    explicit MessageQueue(QWidget *window);

    void tell(const QString &text);

private:
    void showFirst();

    QWidget *m_window;
    QQueue<QString> m_texts; // the first is showing
};

} // namespace zem
