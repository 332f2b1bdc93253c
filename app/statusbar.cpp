#include "statusbar.h"

#include "commcomponent.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>
#include <climits>

namespace zem {
namespace {

constexpr int PanelWidth = 1440;
constexpr int RecordingWidth = 1080;

} // namespace

QString plainTip(const QString &text)
{
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

StatusBar::StatusBar(CommComponent *comm, const QRect &twips, QWidget *parent)
    : QStatusBar(parent)
    , m_comm(comm)
    , m_twips(twips)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);
    // The panels stand at fixed places over the bar's full height, like every other control.
    const auto panel = [this](const char *name) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setContentsMargins(2, 0, 2, 0);
        return label;
    };
    m_lineState = panel("StatusBar1Panel1");
    m_lineSettings = panel("StatusBar1Panel2");
    m_sending = panel("sending");
    m_sending->hide();
    m_recording = panel("recording");
    m_recording->hide();
    m_lineSettings->installEventFilter(this);
    place({});

    connect(m_comm, &CommComponent::stateChanged, this, &StatusBar::showState);
    connect(m_comm, &CommComponent::outBufferChanged, this, &StatusBar::showSending);
    // A few updates a second are enough to see the count fall.
    m_sendingPace.setSingleShot(true);
    m_sendingPace.setInterval(250);
    connect(&m_sendingPace, &QTimer::timeout, this, &StatusBar::showSending);
    showState();
}

void StatusBar::place(const Twips &twips)
{
    // Placed from the client area's corner, so that the bar meets the controls above it.
    const auto at = [&](int left, int width) {
        return twips.rect(m_twips.x() + left, m_twips.y(), width, m_twips.height())
            .translated(0, -twips.px(m_twips.y()));
    };
    setFixedSize(at(0, m_twips.width()).size());
    m_lineState->setGeometry(at(0, PanelWidth));
    m_lineSettings->setGeometry(at(PanelWidth, PanelWidth));
    m_sending->setGeometry(at(2 * PanelWidth, m_twips.width() - 2 * PanelWidth - RecordingWidth));
    m_recording->setGeometry(at(m_twips.width() - RecordingWidth, RecordingWidth));
}

QString StatusBar::lineText(Line line)
{
    switch (line) {
    case Line::Connected:
        return tr("Connected");
    case Line::Disconnecting:
        return tr("Disconnecting");
    case Line::Disconnected:
        break;
    }
    return tr("Disconnected");
}

QString StatusBar::settingsText(int port)
{
    return tr("COM%1:9600 8N1").arg(port);
}

QString StatusBar::sendingText(qint64 left, qint64 closeLeftMs)
{
    const auto time = [](qint64 ms) {
        const qint64 seconds = (ms + 999) / 1000;
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    };
    // A close that will give up before the line is done says when, rather than promise the line's time.
    const qint64 lineMs = left * 1000 / CommComponent::BytesPerSecond;
    if (closeLeftMs >= 0 && closeLeftMs < lineMs)
        return tr("Sending: %Ln byte(s) left, closing in %1", nullptr, pluralCount(left))
            .arg(time(closeLeftMs));
    return tr("Sending: %Ln byte(s) left, about %1", nullptr, pluralCount(left)).arg(time(lineMs));
}

QList<std::pair<QLabel *, QStringList>> StatusBar::panels() const
{
    // The longest count is a full input buffer's worth, eighteen minutes of the line.
    return {{m_lineState,
             {lineText(Line::Connected), lineText(Line::Disconnected), lineText(Line::Disconnecting)}},
            {m_lineSettings, {settingsText(CommComponent::LastPort)}},
            {m_sending, {sendingText(1 << 20, -1), sendingText(1 << 20, 10000)}},
            {m_recording, {recordingText(true), recordingText(false)}}};
}

bool StatusBar::eventFilter(QObject *watched, QEvent *event)
{
    // Looking for the device takes a while, so it is done only when someone asks.
    if (watched == m_lineSettings && event->type() == QEvent::ToolTip && m_portTip)
        m_lineSettings->setToolTip(m_portTip());
    return QStatusBar::eventFilter(watched, event);
}

QString StatusBar::recordingText(bool recording)
{
    return recording ? tr("Recording") : tr("Saving");
}

void StatusBar::showRecording(const QString &path, bool saving)
{
    m_recording->setText(recordingText(!path.isEmpty()));
    m_recording->setToolTip(path.isEmpty() ? QString() : plainTip(path));
    m_recording->setVisible(!path.isEmpty() || saving);
}

void StatusBar::showState()
{
    const Line line = m_comm->isClosing()  ? Line::Disconnecting
                      : m_comm->PortOpen() ? Line::Connected
                                           : Line::Disconnected;
    m_lineState->setText(lineText(line));
    m_lineSettings->setText(settingsText(m_comm->CommPort()));
    // A close that starts changes what the count's time means: it shows at once.
    m_sendingPace.stop();
    showSending();
}

void StatusBar::showSending()
{
    // The component tells when its queue changes; while anything is queued the count is also looked at
    // a few times a second, since the driver may take the last bytes without a word.
    const qint64 left = m_comm->OutBufferCount();
    if (left == 0) {
        m_sendingPace.stop();
        m_sending->hide();
    } else if (!m_sendingPace.isActive()) {
        m_sending->setText(sendingText(left, m_comm->closeLeftMs()));
        m_sending->show();
        m_sendingPace.start();
    }
}

} // namespace zem
