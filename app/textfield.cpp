#include "textfield.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QValidator>

#include <climits>

namespace zem {
namespace {

// QLineEdit checks every edit here, whichever way it came (keys, paste, drop, middle-click, input
// method), and takes back an edit found invalid whole.
class LengthLimit final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return input.size() <= TextField::Limit ? Acceptable : Invalid;
    }
};

} // namespace

TextField::TextField(QWidget *parent)
    : QLineEdit(parent)
{
    // The limit is the validator's, so that nothing is cut to fit before it is looked at.
    setMaxLength(INT_MAX);
    setValidator(new LengthLimit(this));
    connect(this, &QLineEdit::inputRejected, this, [this] {
        if (!m_typing)
            refuse();
    });
}

void TextField::refuse()
{
    Q_EMIT refused(tr("The field \"%1\" holds at most %L2 characters, so the text was not added; the field "
                      "keeps what it had.")
                       .arg(accessibleName())
                       .arg(Limit));
}

bool TextField::takes(qsizetype incoming, qsizetype replaced)
{
    if (text().size() - replaced + incoming <= Limit)
        return true;
    refuse();
    return false;
}

void TextField::pasteIfItFits()
{
    if (!isReadOnly() && takes(QGuiApplication::clipboard()->text().size(), selectedText().size()))
        paste();
}

void TextField::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteIfItFits();
        event->accept();
        return;
    }
    const QScopedValueRollback typing(m_typing, true);
    QLineEdit::keyPressEvent(event);
}

void TextField::inputMethodEvent(QInputMethodEvent *event)
{
    const QScopedValueRollback typing(m_typing, true);
    QLineEdit::inputMethodEvent(event);
}

void TextField::mouseReleaseEvent(QMouseEvent *event)
{
    // A middle-click puts the selection of the desktop in at the caret, in place of nothing.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() &&
        !isReadOnly() && !takes(QGuiApplication::clipboard()->text(QClipboard::Selection).size(), 0)) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TextField::dropEvent(QDropEvent *event)
{
    // Text moved within the field takes no more room.
    if (event->source() != this && event->mimeData()->hasText() &&
        !takes(event->mimeData()->text().size(), 0)) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

void TextField::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu's Paste is measured first, like the keys'.
    for (QAction *action : menu->actions()) {
        if (disconnect(action, &QAction::triggered, this, &QLineEdit::paste))
            connect(action, &QAction::triggered, this, [this] { pasteIfItFits(); });
    }
    menu->popup(event->globalPos());
}

} // namespace zem
