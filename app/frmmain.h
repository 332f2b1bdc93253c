#pragma once

#include "twips.h"

#include <QMainWindow>
#include <array>

class QAction;
class QLineEdit;
class QPushButton;

namespace zem {

class CommComponent;
class MessageQueue;
class PortConnection;
class Recording;
class StatusBar;
class TextField;

// The program's one window. It owns the serial component for the whole run.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Takes ownership of the component.
    explicit frmMain(CommComponent *comm, QWidget *parent = nullptr);

    CommComponent *comm() const { return MSComm1; }
    // The layout's size against the window's own (1 where the desktop's font fits its boxes).
    qreal layoutScale() const { return m_twips.scale; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    // Places every control at its twips, at this scale.
    void place(const Twips &twips);
    // Grows the layout until every caption shows whole in the desktop's font.
    void fitCaptions();
    void Form_Load();
    void Form_Unload();
    // The Port menu tells, as it opens, which device each Com opens now.
    void showPortTips();
    void keepJournal();
    void mnuRecord_Click();
    // Every message to the operator goes this way.
    void tell(const QString &text);

    CommComponent *MSComm1;
    std::array<QLineEdit *, 12> txtHEX{};
    QLineEdit *txtTextOut = nullptr;
    TextField *txtResponse = nullptr;
    std::array<QPushButton *, 2> btnSend{};
    std::array<QPushButton *, 3> btnClear{};
    std::array<QAction *, 4> mnuCom{};
    QAction *mnuConnect = nullptr;
    QAction *mnuRecord = nullptr;
    StatusBar *m_statusBar = nullptr;
    PortConnection *m_ports = nullptr;
    MessageQueue *m_messages = nullptr;
    Recording *m_recording = nullptr;
    QList<std::pair<QWidget *, QRect>> m_drawn; // each control with its place in twips
    Twips m_twips;
    bool m_unloading = false; // the window is closing: it goes once the port has closed
};

} // namespace zem
