#pragma once

#include <QMainWindow>
#include <array>

class QAction;
class QLineEdit;
class QPushButton;

namespace zem {

class CommComponent;
class StatusBar;

// The program's one window. It owns the serial component for the whole run.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Takes ownership of the component.
    explicit frmMain(CommComponent *comm, QWidget *parent = nullptr);

    CommComponent *comm() const { return MSComm1; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    // Makes the font small enough for every caption to show whole in its box.
    void fitCaptions();
    void Form_Load();
    void Form_Unload();
    // The Port menu tells, as it opens, which device each Com opens now.
    void showPortTips();
    // Every message to the operator goes this way.
    void tell(const QString &text);

    CommComponent *MSComm1;
    std::array<QLineEdit *, 12> txtHEX{};
    QLineEdit *txtTextOut = nullptr;
    QLineEdit *txtResponse = nullptr;
    std::array<QPushButton *, 2> btnSend{};
    std::array<QPushButton *, 3> btnClear{};
    std::array<QAction *, 4> mnuCom{};
    QAction *mnuConnect = nullptr;
    StatusBar *m_statusBar = nullptr;
    bool m_closing = false;
};

} // namespace zem
