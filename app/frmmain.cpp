#include "frmmain.h"

#include "commcomponent.h"
#include "messagebox.h"
#include "panel.h"
#include "portconnection.h"
#include "statusbar.h"
#include "textfield.h"
#include "twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionButton>

#include <algorithm>

namespace zem {
namespace {

constexpr int ClientWidth = 8205;
constexpr int ClientHeight = 1380;
constexpr int StatusTop = 1125;
constexpr int StatusHeight = 255;
// The window's font shrinks to fit its captions, but no further than this.
constexpr qreal MinPointSize = 7;
static_assert(StatusTop + StatusHeight == ClientHeight, "the status bar closes the client area");

QLineEdit *makeField(QWidget *parent, const QString &name, const QRect &geometry)
{
    auto *field = new TextField(parent);
    field->setText(QStringLiteral("Text1"));
    field->setObjectName(name);
    field->setGeometry(geometry);
    return field;
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    // Enter and Escape trigger nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, const QRect &geometry)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

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
    m_statusBar = new StatusBar(MSComm1, ClientWidth, StatusHeight, this);
    m_statusBar->setPortTip([this] { return describeComPort(MSComm1->CommPort(), MSComm1->devices()); });
    setStatusBar(m_statusBar);
    fitCaptions();
    // The window keeps the size it was drawn at.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    auto *ports = new PortConnection(MSComm1, mnuCom, mnuConnect, this);
    connect(ports, &PortConnection::message, this, &frmMain::tell);
    auto *panel = new Panel({txtHEX, txtTextOut, txtResponse, btnSend, btnClear}, MSComm1, this);
    connect(panel, &Panel::message, this, &frmMain::tell);

    Form_Load();
}

void frmMain::buildControls()
{
    auto *client = new QWidget(this);
    client->setFixedSize(px(ClientWidth), px(StatusTop));
    setCentralWidget(client);

    // Created in tab order, so the focus chain is the designed one.
    for (int i = 0; i < 12; ++i)
        txtHEX[static_cast<size_t>(i)] =
            makeField(client, indexed("txtHEX", i), twipRect(960 + 480 * i, 120, 375, 285));
    btnSend[0] = makeButton(client, indexed("btnSend", 0), tr("Send"), twipRect(6720, 120, 615, 285));
    txtTextOut = makeField(client, QStringLiteral("txtTextOut"), twipRect(960, 480, 5655, 285));
    btnSend[1] = makeButton(client, indexed("btnSend", 1), tr("Send"), twipRect(6720, 480, 615, 285));
    makeLabel(client, QStringLiteral("Label1"), tr("HEX:"), twipRect(120, 120, 615, 255));
    makeLabel(client, QStringLiteral("Label2"), tr("TEXT:"), twipRect(120, 480, 615, 255));
    txtResponse = makeField(client, QStringLiteral("txtResponse"), twipRect(960, 840, 5655, 285));
    txtResponse->setText(QString());
    makeLabel(client, QStringLiteral("Label3"), tr("Response:"), twipRect(120, 840, 855, 255));
    for (int i = 0; i < 3; ++i)
        btnClear[static_cast<size_t>(i)] =
            makeButton(client, indexed("btnClear", i), tr("Clear"), twipRect(7440, 120 + 360 * i, 615, 285));

    // What a screen reader says for each control.
    for (int i = 0; i < 12; ++i)
        txtHEX[static_cast<size_t>(i)]->setAccessibleName(tr("Hex byte %1").arg(i + 1));
    txtTextOut->setAccessibleName(tr("Text to send"));
    txtResponse->setAccessibleName(tr("Received bytes"));
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

    mnuConnect = bar->addAction(PortConnection::connectCaption());
    mnuConnect->setObjectName(QStringLiteral("mnuConnect"));
}

void frmMain::fitCaptions()
{
    // Room for each caption: a label up to the field beside it, a button inside its bevel, a panel
    // inside its margins. Status texts are tried in every form they take.
    struct Caption
    {
        QWidget *widget;
        QStringList texts;
        QRect room;
    };
    QList<Caption> captions;
    for (QLabel *label : centralWidget()->findChildren<QLabel *>()) {
        const QWidget *beside =
            centralWidget()->childAt(label->geometry().center() + QPoint(label->width(), 0));
        const int right = beside ? beside->x() - 1 : label->geometry().right() + 1;
        captions.append({label, {label->text()}, QRect(0, 0, right - label->x(), label->height())});
    }
    for (QPushButton *button : centralWidget()->findChildren<QPushButton *>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        captions.append({button,
                         {button->text()},
                         style()->subElementRect(QStyle::SE_PushButtonContents, &option, button)});
    }
    for (const auto &[panel, texts] : m_statusBar->panels())
        captions.append({panel, texts, panel->contentsRect()});

    const auto fits = [&captions] {
        return std::all_of(captions.cbegin(), captions.cend(), [](const Caption &caption) {
            const QFontMetricsF metrics(caption.widget->font());
            return metrics.height() <= caption.room.height() &&
                   std::all_of(caption.texts.cbegin(), caption.texts.cend(), [&](const QString &text) {
                       return metrics.horizontalAdvance(text) <= caption.room.width();
                   });
        });
    };
    // The desktop's font, a half point smaller at a time while something would be cut.
    QFont font = QApplication::font(this);
    while (!fits() && font.pointSizeF() > MinPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        centralWidget()->setFont(font);
        statusBar()->setFont(font);
    }
}

void frmMain::showPortTips()
{
    const ComMap devices = MSComm1->devices();
    for (int n = CommComponent::FirstPort; n <= CommComponent::LastPort; ++n)
        mnuCom[static_cast<size_t>(n - 1)]->setToolTip(describeComPort(n, devices));
}

void frmMain::tell(const QString &text)
{
    // Once the window is closing there is nobody left to read a message.
    if (!m_closing)
        showMessage(this, text);
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
    if (MSComm1->PortOpen())
        MSComm1->setPortOpen(false);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Closing is never refused.
    m_closing = true;
    Form_Unload();
    event->accept();
}

} // namespace zem
