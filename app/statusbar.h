#pragma once

#include <QStatusBar>
#include <QTimer>

#include <functional>
#include <utility>

class QLabel;

namespace zem {

class CommComponent;

// The window's status bar: the line's state and settings in two fixed panels, and right of them,
// while there is any, the output still on its way.
class StatusBar : public QStatusBar
{
    Q_OBJECT
public:
    // `width` and `height` in twips.
    StatusBar(CommComponent *comm, int width, int height, QWidget *parent = nullptr);

    // Each panel with every text it may show, for the window to size its font by.
    QList<std::pair<QLabel *, QStringList>> panels() const;
    // Asked, as the port panel's tip is about to show, which device the chosen Com opens.
    void setPortTip(std::function<QString()> tip) { m_portTip = std::move(tip); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showState();
    void showSending();
    QString sendingText() const;

    CommComponent *m_comm;
    QLabel *m_lineState;
    QLabel *m_lineSettings;
    QLabel *m_sending;
    QTimer m_sendingPace;
    std::function<QString()> m_portTip;
};

} // namespace zem
