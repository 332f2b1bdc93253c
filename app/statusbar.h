#pragma once

#include "twips.h"

#include <QStatusBar>
#include <QTimer>

#include <functional>
#include <utility>

class QLabel;

namespace zem {

class CommComponent;

// A tool tip shows text that looks like markup as rich text; this one shows `text` as it is: device
// names, link targets, the strings an adapter gives about itself, file paths.
QString plainTip(const QString &text);

// The window's status bar: the line's state and settings in two fixed panels, and right of them,
// while there is any, the output still on its way.
class StatusBar : public QStatusBar
{
    Q_OBJECT
public:
    // Where it stands in the client area, in twips.
    StatusBar(CommComponent *comm, const QRect &twips, QWidget *parent = nullptr);

    // Sizes the bar and its panels at this scale.
    void place(const Twips &twips);
    // Each panel with every text it may show, for the window to find the room they need.
    QList<std::pair<QLabel *, QStringList>> panels() const;
    // Asked, as the port panel's tip is about to show, which device the chosen Com opens.
    void setPortTip(std::function<QString()> tip) { m_portTip = std::move(tip); }
    // At the right end, while the session is recorded to that file, or stopped records are saved.
    void showRecording(const QString &path, bool saving);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Line
    {
        Disconnected,
        Connected,
        Disconnecting
    };
    static QString lineText(Line line);
    static QString settingsText(int port);
    static QString recordingText(bool recording);
    // What is left to send, and how long that takes; closeLeftMs is the close's time left, -1 when
    // not closing.
    static QString sendingText(qint64 left, qint64 closeLeftMs);
    void showState();
    void showSending();

    CommComponent *m_comm;
    QRect m_twips;
    QLabel *m_lineState;
    QLabel *m_lineSettings;
    QLabel *m_sending;
    QLabel *m_recording;
    QTimer m_sendingPace;
    std::function<QString()> m_portTip;
};

} // namespace zem
