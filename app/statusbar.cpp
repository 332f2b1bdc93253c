#include "statusbar.h"

#include "commcomponent.h"
#include "twips.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>
#include <climits>

namespace zem {
namespace {

constexpr int PanelWidth = 1440;

} // namespace

StatusBar::StatusBar(CommComponent *comm, int width, int height, QWidget *parent)
    : QStatusBar(parent)
    , m_comm(comm)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);
    setFixedSize(px(width), px(height));
    // The panels stand at fixed places over the bar's full height, like every other control.
    const auto panel = [this, height](const char *name, int left, int panelWidth) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(twipRect(left, 0, panelWidth, height));
        label->setContentsMargins(2, 0, 2, 0);
        return label;
    };
    m_lineState = panel("StatusBar1Panel1", 0, PanelWidth);
    m_lineSettings = panel("StatusBar1Panel2", PanelWidth, PanelWidth);
    m_sending = panel("sending", 2 * PanelWidth, width - 2 * PanelWidth);
    m_sending->hide();
    m_lineSettings->installEventFilter(this);

    connect(m_comm, &CommComponent::stateChanged, this, &StatusBar::showState);
    connect(m_comm, &CommComponent::outBufferChanged, this, &StatusBar::showSending);
    // A few updates a second are enough to see the count fall.
    m_sendingPace.setSingleShot(true);
    m_sendingPace.setInterval(250);
    connect(&m_sendingPace, &QTimer::timeout, this, &StatusBar::showSending);
    showState();
}

QList<std::pair<QLabel *, QStringList>> StatusBar::panels() const
{
    return {{m_lineState, {tr("Connected"), tr("Disconnected")}},
            {m_lineSettings, {tr("COM%1:9600 8N1").arg(CommComponent::LastPort)}}};
}

bool StatusBar::eventFilter(QObject *watched, QEvent *event)
{
    // Looking for the device takes a while, so it is done only when someone asks.
    if (watched == m_lineSettings && event->type() == QEvent::ToolTip && m_portTip)
        m_lineSettings->setToolTip(m_portTip());
    return QStatusBar::eventFilter(watched, event);
}

void StatusBar::showState()
{
    m_lineState->setText(m_comm->PortOpen() ? tr("Connected") : tr("Disconnected"));
    m_lineSettings->setText(tr("COM%1:9600 8N1").arg(m_comm->CommPort()));
    showSending();
}

QString StatusBar::sendingText() const
{
    const qint64 left = m_comm->OutBufferCount();
    const qint64 seconds = (left + CommComponent::BytesPerSecond - 1) / CommComponent::BytesPerSecond;
    const QString time = QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return tr("Sending: %Ln byte(s) left, about %1", nullptr,
              static_cast<int>(std::min<qint64>(left, INT_MAX)))
        .arg(time);
}

void StatusBar::showSending()
{
    // The component tells when its queue changes; while anything is queued the count is also looked at
    // a few times a second, since the driver may take the last bytes without a word.
    if (m_comm->OutBufferCount() == 0) {
        m_sendingPace.stop();
        m_sending->hide();
    } else if (!m_sendingPace.isActive()) {
        m_sending->setText(sendingText());
        m_sending->show();
        m_sendingPace.start();
    }
}

} // namespace zem
