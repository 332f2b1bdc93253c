#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers the program's modal messages with OK and keeps what they showed.
class MessageCatcher : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        bool modal = false;
    };

    MessageCatcher();
    QList<Seen> seen;
    QStringList texts() const;
    // Runs the event loop for a while, answering what shows up.
    void settle(int ms = 50);

private:
    void poll();
    QTimer m_timer;
};
