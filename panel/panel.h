#pragma once

#include <QObject>
#include <array>

class QLineEdit;
class QPushButton;

namespace zem {

class CommComponent;
class TextField;

// The three rows of the window: what Send writes, what Clear empties, and how received bytes show.
class Panel : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        std::array<QLineEdit *, 12> txtHEX{};
        QLineEdit *txtTextOut = nullptr;
        TextField *txtResponse = nullptr;
        std::array<QPushButton *, 2> btnSend{};
        std::array<QPushButton *, 3> btnClear{};
    };

    Panel(const Controls &controls, CommComponent *MSComm1, QObject *parent = nullptr);

    void btnSend_Click(qint16 Index);
    void btnClear_Click(qint16 Index);
    void MSComm1_OnComm();

Q_SIGNALS:
    // Something the operator must read before going on; shown modally by the receiver.
    void message(const QString &text);

private:
    void sendHexRow();
    // Writes to the line while the port is open; drops the data otherwise.
    void send(const QString &txtin);

    Controls m_controls;
    CommComponent *m_comm;
};

} // namespace zem
