#include "panel.h"

#include "commcomponent.h"
#include "hexbyte.h"
#include "responsetext.h"
#include "sendcheck.h"
#include "textfield.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTextBoundaryFinder>

namespace zem {
namespace {

// A message quotes at most this much of a bad entry: a field can hold any amount of text.
constexpr qsizetype MaxQuoted = 40;

// The entry as a message quotes it: cut short between characters, never inside one.
QString quoted(const QString &entry)
{
    if (entry.size() <= MaxQuoted)
        return entry;
    // Whether a character ends at MaxQuoted depends only on what comes before and just after it.
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, entry.constData(), MaxQuoted + 1);
    characters.setPosition(MaxQuoted);
    if (!characters.isAtBoundary())
        characters.toPreviousBoundary();
    return entry.left(characters.position()) + QChar(0x2026); // an ellipsis
}

} // namespace

Panel::Panel(const Controls &controls, CommComponent *MSComm1, QObject *parent)
    : QObject(parent)
    , m_controls(controls)
    , m_comm(MSComm1)
{
    for (qint16 i = 0; i < 2; ++i)
        connect(m_controls.btnSend[static_cast<size_t>(i)], &QPushButton::clicked, this,
                [this, i] { btnSend_Click(i); });
    for (qint16 i = 0; i < 3; ++i)
        connect(m_controls.btnClear[static_cast<size_t>(i)], &QPushButton::clicked, this,
                [this, i] { btnClear_Click(i); });
    connect(m_comm, &CommComponent::OnComm, this, &Panel::MSComm1_OnComm);
    // What Send gives a closing port would run against the state the close ends in.
    connect(m_comm, &CommComponent::stateChanged, this, [this] {
        for (QPushButton *button : m_controls.btnSend)
            button->setEnabled(!m_comm->isClosing());
    });
}

void Panel::btnSend_Click(qint16 Index)
{
    if (Index == 0)
        sendHexRow();
    else
        send(m_controls.txtTextOut->text());
}

void Panel::sendHexRow()
{
    QStringList entries;
    for (const QLineEdit *field : m_controls.txtHEX)
        entries.append(field->text());
    // Check the whole row first: a bad entry must not leave half a command at the device.
    if (const int bad = firstBadHexEntry(entries); bad >= 0) {
        QLineEdit *field = m_controls.txtHEX[static_cast<size_t>(bad)];
        Q_EMIT message(tr("Hex byte %1 holds \"%2\", which is not a hexadecimal number.\n"
                          "Use only the digits 0-9 and A-F; nothing was sent.")
                           .arg(bad + 1)
                           .arg(quoted(entries.at(bad))));
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
        return;
    }
    for (const QString &entry : std::as_const(entries)) {
        if (!entry.isEmpty())
            send(QString(QChar(static_cast<char16_t>(HexStr(entry)))));
    }
}

void Panel::send(const QString &txtin)
{
    // The component drops what a closed port is given, and refuses a character that is no byte.
    if (const CommError refused = m_comm->setOutput(txtin))
        Q_EMIT message(refused.description);
}

void Panel::btnClear_Click(qint16 Index)
{
    switch (Index) {
    case 0:
        for (QLineEdit *field : m_controls.txtHEX)
            field->setText(QString());
        break;
    case 1:
        m_controls.txtTextOut->setText(QString());
        break;
    case 2:
        m_controls.txtResponse->setText(QString());
        break;
    default:
        break;
    }
}

void Panel::MSComm1_OnComm()
{
    const QString strData = m_comm->Input();
    if (strData.isEmpty())
        return;
    TextField *field = m_controls.txtResponse;
    qsizetype added = 0;
    const QString text = prependReceived(field->text(), strData, TextField::Limit, &added);
    field->putInFront(text, added);
}

} // namespace zem
