#include "textfield.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QValidator>

#include <algorithm>
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

// Undo steps kept from before the program's changes: enough for the operator's recent slips, and a
// bound on what a session of weeks keeps.
constexpr std::ptrdiff_t MaxEarlier = 100;

} // namespace

std::function<QString()> TextField::selection = [] {
    const QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard->supportsSelection() ? clipboard->text(QClipboard::Selection) : QString();
};

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
    connect(this, &QLineEdit::textEdited, this, [this] { m_edited = true; });
    connect(this, &QLineEdit::textChanged, this, &TextField::noteChange);
}

void TextField::noteChange()
{
    // QLineEdit tells of an edit of the operator's before the change itself. Any other change is the
    // program's, and what was undoable before it no longer fits the text.
    if (!std::exchange(m_edited, false) && !m_own) {
        m_earlier.clear();
        m_base = text();
    }
}

void TextField::setTextOwn(const QString &text)
{
    m_own = true;
    setText(text);
    m_own = false;
    m_base = text;
}

void TextField::putInFront(const QString &text, qsizetype added)
{
    // What the operator changed since the program's last change becomes one step of the field's own
    // Undo, since setText makes QLineEdit forget it.
    const QString now = this->text();
    if (now != m_base) {
        qsizetype head = 0, tail = 0;
        while (head < now.size() && head < m_base.size() && now[head] == m_base[head])
            ++head;
        while (tail < now.size() - head && tail < m_base.size() - head &&
               now[now.size() - 1 - tail] == m_base[m_base.size() - 1 - tail])
            ++tail;
        m_earlier.push_back(
            {head, m_base.mid(head, m_base.size() - head - tail), now.mid(head, now.size() - head - tail)});
    }
    // Every edit moves on by what came in front; one that the cut end took cannot come back, nor any
    // before it.
    for (Edit &edit : m_earlier)
        edit.at += added;
    const auto lost = std::find_if(m_earlier.rbegin(), m_earlier.rend(), [&](const Edit &edit) {
        return edit.at + edit.inserted.size() > text.size();
    });
    m_earlier.erase(m_earlier.begin(), lost.base());
    if (m_earlier.size() > MaxEarlier)
        m_earlier.erase(m_earlier.begin(), m_earlier.end() - MaxEarlier);

    if (!hasSelectedText() && cursorPosition() == 0) {
        setTextOwn(text);
        setCursorPosition(0);
        return;
    }
    const int cursor = cursorPosition();
    const int anchor = !hasSelectedText()           ? cursor
                       : selectionStart() == cursor ? selectionEnd()
                                                    : selectionStart();
    const auto moved = [&](int position) { return int(std::min<qsizetype>(position + added, text.size())); };
    // QLineEdit scrolls, as it paints, only as far as it must to show the caret; so the caret goes first
    // to the character that stood at the right edge, now further on, and the field paints there.
    const QRect line = contentsRect();
    const int rightmost = cursorPositionAt(QPoint(line.right(), line.center().y()));
    setTextOwn(text);
    setCursorPosition(moved(rightmost));
    repaint();
    setSelection(moved(anchor), moved(cursor) - moved(anchor));
}

void TextField::undoEdit()
{
    if (isUndoAvailable()) {
        undo();
        return;
    }
    if (m_earlier.empty() || text() != m_base)
        return;
    const Edit edit = m_earlier.back();
    const QString restored = QString(text()).replace(edit.at, edit.inserted.size(), edit.removed);
    if (restored.size() > Limit) {
        refuse();
        return;
    }
    m_earlier.pop_back();
    setTextOwn(restored);
    setCursorPosition(int(edit.at + edit.removed.size()));
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
    if (event->matches(QKeySequence::Paste) || (event->matches(QKeySequence::Undo) && !isUndoAvailable())) {
        event->matches(QKeySequence::Paste) ? pasteIfItFits() : undoEdit();
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
    if (event->button() == Qt::MiddleButton && !isReadOnly() && !takes(selection().size(), 0)) {
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
    // The menu's Paste is measured first, like the keys', and its Undo reaches what QLineEdit forgot.
    // The stock actions cannot be rewired, so these take their places, as they stand.
    const auto replace = [this, menu](QKeySequence::StandardKey key, bool enable, void (TextField::*slot)()) {
        const QString shortcut = u'\t' + QKeySequence(key).toString(QKeySequence::NativeText);
        const QList<QAction *> actions = menu->actions();
        const auto stock = std::find_if(actions.cbegin(), actions.cend(), [&](const QAction *action) {
            return action->text().endsWith(shortcut);
        });
        if (stock == actions.cend())
            return;
        auto *own = new QAction((*stock)->icon(), (*stock)->text(), menu);
        own->setEnabled((*stock)->isEnabled() || enable);
        connect(own, &QAction::triggered, this, slot);
        menu->insertAction(*stock, own);
        menu->removeAction(*stock);
    };
    replace(QKeySequence::Paste, false, &TextField::pasteIfItFits);
    replace(QKeySequence::Undo, !m_earlier.empty() && text() == m_base, &TextField::undoEdit);
    menu->popup(event->globalPos());
}

} // namespace zem
