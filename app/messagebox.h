#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>

class QDialog;
class QWidget;

namespace zem {

// The application title, shown on every message the program gives.
QString applicationTitle();

// The window's dialogs: the program's one kind of message (titled with the application title, OK
// only, no icon), shown one at a time in the order told, and the dialogs the window opens itself. While
// one stands, the window takes no input, as under a modal dialog; but nothing waits for it, so a
// dialog standing never holds up the line, and the window's close box, Alt+F4 and window menu still
// reach the window, which a modal dialog would keep from it.
class MessageQueue : public QObject
{
    Q_OBJECT
public:
    explicit MessageQueue(QWidget *window);

    void tell(const QString &text);
    // Shows one of the window's own dialogs.
    void open(QDialog *dialog);
    // The window is going: every dialog goes with it, and each message, shown or waiting, is written to
    // standard error, since nobody is left to read it.
    void dismissAll();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showFirst();
    void stand(QDialog *dialog);

    QWidget *m_window;
    QQueue<QString> m_texts; // the first is showing
    QList<QPointer<QDialog>> m_standing;
};

} // namespace zem
