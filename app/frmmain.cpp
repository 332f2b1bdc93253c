#include "frmmain.h"

#include "commcomponent.h"
#include "messagebox.h"
#include "panel.h"
#include "portconnection.h"
#include "recording.h"
#include "statusbar.h"
#include "textfield.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>

#include <algorithm>

namespace zem {
namespace {

constexpr int ClientWidth = 8205;
constexpr int ClientHeight = 1380;
constexpr int StatusTop = 1125;
constexpr int StatusHeight = 255;
static_assert(StatusTop + StatusHeight == ClientHeight, "the status bar closes the client area");
// The layout grows this much at a time until the desktop's font fits, and no further than MaxScale or
// the screen; beyond that the font shrinks this much at a time, down to MinPoints.
constexpr qreal ScaleStep = 1.0 / 32;
constexpr qreal MaxScale = 4;
constexpr qreal PointStep = 0.25;
constexpr qreal MinPoints = 4;

QString indexed(const char *name, int index)
{
    return QLatin1String(name) + QString::number(index);
}

} // namespace

frmMain::frmMain(CommComponent *comm, QWidget *parent)
    : QMainWindow(parent)
    , MSComm1(comm)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(tr("Quorvane ZEM Control"));
    MSComm1->setParent(this);

    buildControls();
    buildMenus();
    m_statusBar = new StatusBar(MSComm1, {0, StatusTop, ClientWidth, StatusHeight}, this);
    m_statusBar->setPortTip(
        [this] { return plainTip(describeComPort(MSComm1->CommPort(), MSComm1->devices())); });
    setStatusBar(m_statusBar);
    fitCaptions();
    // The window keeps the size it was drawn at.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_messages = new MessageQueue(this);
    // The window goes once the port's close has ended (and the records hold everything).
    connect(MSComm1, &CommComponent::stateChanged, this, [this] {
        if (m_unloading && !MSComm1->PortOpen())
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
    m_ports = new PortConnection(MSComm1, mnuCom, mnuConnect, this);
    connect(m_ports, &PortConnection::message, this, &frmMain::tell);
    auto *panel = new Panel({txtHEX, txtTextOut, txtResponse, btnSend, btnClear}, MSComm1, this);
    connect(panel, &Panel::message, this, &frmMain::tell);
    keepJournal();

    Form_Load();
}

void frmMain::keepJournal()
{
    // From the program's start, so that a record started at any time holds the whole session. Bytes
    // are journaled as the component takes them off the line, under the Com they came from.
    auto *journal = new Journal(Journal::Bound, this);
    const auto bytes = [this, journal](JournalEntry::Kind kind) {
        return [this, journal, kind](const QByteArray &b) { journal->add(kind, MSComm1->CommPort(), b); };
    };
    connect(MSComm1, &CommComponent::bytesSent, journal, bytes(JournalEntry::Sent));
    connect(MSComm1, &CommComponent::bytesReceived, journal, bytes(JournalEntry::Received));
    connect(MSComm1, &CommComponent::lineEvent, journal,
            [this, journal](const QString &words) { journal->addEvent(MSComm1->CommPort(), words); });
    m_recording = new Recording(journal, this);
    connect(m_recording, &Recording::failed, this, &frmMain::tell);
    connect(m_recording, &Recording::stateChanged, this, [this] {
        mnuRecord->setChecked(!m_recording->path().isEmpty());
        m_statusBar->showRecording(m_recording->path(), m_recording->saving());
        if (m_unloading && !m_recording->saving())
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
    connect(mnuRecord, &QAction::triggered, this, &frmMain::mnuRecord_Click);
}

void frmMain::mnuRecord_Click()
{
    // The mark shows whether a recording runs, not the click.
    mnuRecord->setChecked(!m_recording->path().isEmpty());
    if (!m_recording->path().isEmpty()) {
        m_recording->stop();
        return;
    }
    const QStringList formats{tr("Text log, both ways (*.log)"), tr("Received bytes, raw (*.bin)")};
    auto *dialog = new QFileDialog(this, tr("Record to File"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters(formats);
    dialog->setDefaultSuffix(QStringLiteral("log"));
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->selectFile(
        QDateTime::currentDateTime().toString(QStringLiteral("'zem-'yyyy-MM-dd-HHmmss'.log'")));
    // A change of format changes the name's suffix, and keeps the rest of what was typed.
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog, formats](const QString &format) {
        const QString suffix = format == formats[1] ? QStringLiteral("bin") : QStringLiteral("log");
        dialog->setDefaultSuffix(suffix);
        if (const QFileInfo chosen(dialog->selectedFiles().value(0)); !chosen.fileName().isEmpty())
            dialog->selectFile(chosen.path() + u'/' + chosen.completeBaseName() + u'.' + suffix);
    });
    connect(dialog, &QFileDialog::fileSelected, this, [this, dialog, formats](const QString &path) {
        // A name typed with .bin or .log says the format; any other, the format chosen.
        const QString suffix = QFileInfo(path).suffix().toLower();
        const bool raw = suffix == QLatin1String("bin") ||
                         (suffix != QLatin1String("log") && dialog->selectedNameFilter() == formats[1]);
        m_recording->start(path, raw ? Recording::Format::Raw : Recording::Format::Text);
    });
    m_messages->open(dialog);
}

void frmMain::buildControls()
{
    auto *client = new QWidget(this);
    setCentralWidget(client);
    const auto drawn = [this, client](auto *control, const QString &name, const QRect &twips) {
        control->setParent(client);
        control->setObjectName(name);
        m_drawn.append({control, twips});
        return control;
    };
    const auto field = [&](const QString &name, const QRect &twips) {
        auto *textField = drawn(new TextField, name, twips);
        textField->setText(QStringLiteral("Text1"));
        // A refusal is told once the field has finished with the input that caused it.
        connect(textField, &TextField::refused, this, &frmMain::tell, Qt::QueuedConnection);
        return textField;
    };
    const auto button = [&](const QString &name, const QString &caption, const QRect &twips) {
        auto *pushButton = drawn(new QPushButton(caption), name, twips);
        // Enter and Escape trigger nothing.
        pushButton->setAutoDefault(false);
        pushButton->setDefault(false);
        return pushButton;
    };
    const auto label = [&](const QString &name, const QString &caption, const QRect &twips) {
        drawn(new QLabel(caption), name, twips);
    };

    // Created in tab order, so the focus chain is the designed one.
    for (int i = 0; i < 12; ++i)
        txtHEX[static_cast<size_t>(i)] = field(indexed("txtHEX", i), {960 + 480 * i, 120, 375, 285});
    btnSend[0] = button(indexed("btnSend", 0), tr("Send"), {6720, 120, 615, 285});
    txtTextOut = field(QStringLiteral("txtTextOut"), {960, 480, 5655, 285});
    btnSend[1] = button(indexed("btnSend", 1), tr("Send"), {6720, 480, 615, 285});
    label(QStringLiteral("Label1"), tr("HEX:"), {120, 120, 615, 255});
    label(QStringLiteral("Label2"), tr("TEXT:"), {120, 480, 615, 255});
    txtResponse = field(QStringLiteral("txtResponse"), {960, 840, 5655, 285});
    txtResponse->setText(QString());
    label(QStringLiteral("Label3"), tr("Response:"), {120, 840, 855, 255});
    for (int i = 0; i < 3; ++i)
        btnClear[static_cast<size_t>(i)] =
            button(indexed("btnClear", i), tr("Clear"), {7440, 120 + 360 * i, 615, 285});

    // What a screen reader says for each control, and what a refused paste names.
    for (int i = 0; i < 12; ++i)
        txtHEX[static_cast<size_t>(i)]->setAccessibleName(tr("Hex byte %1").arg(i + 1));
    txtTextOut->setAccessibleName(tr("TEXT"));
    txtResponse->setAccessibleName(tr("Response"));
    btnSend[0]->setAccessibleName(tr("Send hex bytes"));
    btnSend[1]->setAccessibleName(tr("Send text"));
    btnClear[0]->setAccessibleName(tr("Clear hex bytes"));
    btnClear[1]->setAccessibleName(tr("Clear text"));
    btnClear[2]->setAccessibleName(tr("Clear received bytes"));

    QWidget *chain[] = {txtHEX[0],  txtHEX[1],   txtHEX[2],   txtHEX[3],   txtHEX[4],  txtHEX[5],  txtHEX[6],
                        txtHEX[7],  txtHEX[8],   txtHEX[9],   txtHEX[10],  txtHEX[11], btnSend[0], txtTextOut,
                        btnSend[1], txtResponse, btnClear[0], btnClear[1], btnClear[2]};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void frmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *mnuSettings = bar->addMenu(tr("&Settings"));
    mnuSettings->menuAction()->setObjectName(QStringLiteral("mnuSettings"));
    QMenu *mnuPort = mnuSettings->addMenu(tr("&Port"));
    mnuPort->menuAction()->setObjectName(QStringLiteral("mnuPort"));
    // Each item tells which device it opens now; adapters come and go while the program runs.
    mnuPort->setToolTipsVisible(true);
    connect(mnuPort, &QMenu::aboutToShow, this, &frmMain::showPortTips);
    for (int n = 1; n <= 4; ++n) {
        QAction *item = mnuPort->addAction(tr("Com &%1").arg(n));
        item->setObjectName(indexed("mnuCom", n));
        item->setCheckable(true);
        item->setChecked(n == 1);
        mnuCom[static_cast<size_t>(n - 1)] = item;
    }

    // The line speed is fixed: the Speed menu shows it but cannot be opened.
    QMenu *mnuSpeed = mnuSettings->addMenu(tr("&Speed"));
    mnuSpeed->menuAction()->setObjectName(QStringLiteral("mnuSpeed"));
    const QString speeds[] = {tr("&1200"), tr("&2400"), tr("&9600")};
    for (int i = 0; i < 3; ++i) {
        QAction *item = mnuSpeed->addAction(speeds[i]);
        item->setObjectName(indexed("mnuSpeedSel", i + 1));
        item->setCheckable(true);
        item->setChecked(i == 2);
    }
    mnuSpeed->setEnabled(false);

    // Beyond the line itself: a record of the session in a file.
    mnuRecord = mnuSettings->addAction(tr("&Record to File..."));
    mnuRecord->setObjectName(QStringLiteral("mnuRecord"));
    mnuRecord->setCheckable(true);

    mnuConnect = bar->addAction(PortConnection::connectCaption());
    mnuConnect->setObjectName(QStringLiteral("mnuConnect"));
}

void frmMain::place(const Twips &twips)
{
    m_twips = twips;
    centralWidget()->setFixedSize(twips.px(ClientWidth), twips.px(StatusTop));
    for (const auto &[control, twipsRect] : std::as_const(m_drawn))
        control->setGeometry(twips.rect(twipsRect.x(), twipsRect.y(), twipsRect.width(), twipsRect.height()));
    m_statusBar->place(twips);
}

void frmMain::fitCaptions()
{
    // Room for each caption: a label up to the field beside it, a button inside its bevel, a panel
    // inside its margins, a field's text line inside its frame. Status texts are tried in every
    // form they take.
    struct Caption
    {
        QWidget *widget;
        QStringList texts;
        QRect room;
    };
    const auto captions = [this] {
        QList<Caption> all;
        for (QLabel *label : centralWidget()->findChildren<QLabel *>()) {
            const QWidget *beside =
                centralWidget()->childAt(label->geometry().center() + QPoint(label->width(), 0));
            const int right = beside ? beside->x() - 1 : label->geometry().right() + 1;
            all.append({label, {label->text()}, QRect(0, 0, right - label->x(), label->height())});
        }
        for (QPushButton *button : centralWidget()->findChildren<QPushButton *>()) {
            QStyleOptionButton option;
            option.initFrom(button);
            all.append({button,
                        {button->text()},
                        style()->subElementRect(QStyle::SE_PushButtonContents, &option, button)});
        }
        for (QLineEdit *field : centralWidget()->findChildren<QLineEdit *>()) {
            QStyleOptionFrame option;
            option.initFrom(field);
            option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
            all.append({field, {}, style()->subElementRect(QStyle::SE_LineEditContents, &option, field)});
        }
        for (const auto &[panel, texts] : m_statusBar->panels())
            all.append({panel, texts, panel->contentsRect()});
        return all;
    };
    const auto fits = [&captions] {
        const QList<Caption> all = captions();
        return std::all_of(all.cbegin(), all.cend(), [](const Caption &caption) {
            const QFontMetricsF metrics(caption.widget->font());
            return metrics.height() <= caption.room.height() &&
                   std::all_of(caption.texts.cbegin(), caption.texts.cend(), [&](const QString &text) {
                       return metrics.horizontalAdvance(text) <= caption.room.width();
                   });
        });
    };
    // The room the screen leaves the client area: its free area less the menu bar and the frame the
    // window system adds, estimated here since it is known only once the window shows.
    const auto onScreen = [this](const Twips &twips) {
        const QRect screen = this->screen()->availableGeometry();
        const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
        const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        return twips.px(ClientWidth) + 2 * border <= screen.width() &&
               twips.px(ClientHeight) + menuBar()->sizeHint().height() + title + 2 * border <=
                   screen.height();
    };
    // The operator's font stays as it is; where it needs more room than a box gives, every length
    // of the layout grows by one factor, so that the window keeps its proportions. Only where the
    // screen ends first does the font give way, just enough.
    Twips twips;
    place(twips);
    for (Twips larger{twips.scale + ScaleStep}; !fits() && larger.scale <= MaxScale && onScreen(larger);
         larger.scale += ScaleStep)
        place(twips = larger);
    for (QFont smaller = font(); !fits() && smaller.pointSizeF() - PointStep >= MinPoints;) {
        smaller.setPointSizeF(smaller.pointSizeF() - PointStep);
        setFont(smaller);
    }
}

void frmMain::showPortTips()
{
    const ComMap devices = MSComm1->devices();
    for (int n = CommComponent::FirstPort; n <= CommComponent::LastPort; ++n)
        mnuCom[static_cast<size_t>(n - 1)]->setToolTip(plainTip(describeComPort(n, devices)));
}

void frmMain::tell(const QString &text)
{
    // Once the window is closing, the program ends before anyone could read a message.
    if (m_unloading)
        qWarning().noquote() << text;
    else
        m_messages->tell(text);
}

void frmMain::Form_Load()
{
    for (QLineEdit *field : txtHEX)
        field->setText(QString());
    txtTextOut->setText(QString());
    txtResponse->setText(QString());
}

void frmMain::Form_Unload()
{
    m_ports->shutDown();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Closing is never refused, whatever dialog stands, but the window stands, showing the close, until
    // output still queued has gone out or its bound has passed, and until the records hold the session
    // up to there; closing again meanwhile changes nothing.
    if (!m_unloading) {
        m_unloading = true;
        m_messages->dismissAll();
        Form_Unload();
    }
    // Once the port has closed, the records end there, and the window goes when they hold everything.
    if (!MSComm1->PortOpen())
        m_recording->stop();
    event->setAccepted(!MSComm1->PortOpen() && !m_recording->saving());
}

} // namespace zem
