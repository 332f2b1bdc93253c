#include "textfield.h"

#include <QAccessibleWidget>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>

#include <algorithm>
#include <climits>

namespace zem {
namespace {

// More characters than any font fits across a field.
constexpr qsizetype InView = 1024;
// How far a key looks for the next character or word boundary.
constexpr qsizetype Reach = 256;
// QLineEdit's own gap between its contents and the text.
constexpr int HorizontalMargin = 2;

// Part of a field's text as QLineEdit shows it: control characters as spaces, so that no font
// draws boxes for them.
QString shown(const QString &text, qsizetype from, qsizetype length)
{
    QString part = text.mid(from, length);
    for (QChar &c : part) {
        if ((c.unicode() < 0x20 && c != QChar::Tabulation) || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QChar::ObjectReplacementCharacter)
            c = QChar::Space;
    }
    return part;
}

QTextLine layOutOneLine(QTextLayout &layout, const QString &text, const QFont &font)
{
    layout.setText(text);
    layout.setFont(font);
    QTextOption option;
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    return line;
}

// What a screen reader learns of a long field. QLineEdit's own interface tells nothing of a text it
// does not show, so this one reads out the characters in view.
class LongFieldAccessible : public QAccessibleWidget
{
public:
    explicit LongFieldAccessible(TextField *field)
        : QAccessibleWidget(field, QAccessible::EditableText)
    {}
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? static_cast<TextField *>(widget())->textInView()
                                          : QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface *longFieldAccessible(const QString &, QObject *object)
{
    auto *field = qobject_cast<TextField *>(object);
    return field && field->isLong() ? new LongFieldAccessible(field) : nullptr;
}

} // namespace

TextField::TextField(QWidget *parent)
    : QLineEdit(parent)
{
    // Any length, not only QLineEdit's default 32,767 characters.
    setMaxLength(INT_MAX);
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) { fitMode(text.size()); });
    static const bool accessible = (QAccessible::installFactory(longFieldAccessible), true);
    Q_UNUSED(accessible)
}

QString TextField::textInView() const
{
    return shown(text(), m_first, InView);
}

void TextField::fitMode(qsizetype length)
{
    const bool longText = length > LongText;
    if (longText == isLong())
        return;
    setEchoMode(longText ? NoEcho : Normal);
    // QLineEdit would place a drop where its own layout says, which no longer holds the text.
    setAcceptDrops(!longText);
    // A screen reader asks anew, and gets the interface for this length.
    if (QAccessibleInterface *told = QAccessible::queryAccessibleInterface(this))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(told));
}

QRect TextField::textArea() const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    return style()->subElementRect(QStyle::SE_LineEditContents, &panel, this).marginsRemoved(textMargins());
}

QPointF TextField::layOut(QTextLayout &layout)
{
    const QRect contents = textArea();
    const qreal width = contents.width() - 2 * HorizontalMargin;
    const QString all = text();
    const qsizetype cursor = cursorPosition();

    m_first = std::clamp(m_first, std::max<qsizetype>(0, cursor - InView), cursor);
    QTextLayout before;
    const QTextLine toCursor = layOutOneLine(before, shown(all, m_first, cursor - m_first), font());
    if (const qreal over = toCursor.naturalTextWidth() - width; over > 0) {
        int first = toCursor.xToCursor(over);
        if (toCursor.cursorToX(first) < over)
            ++first;
        m_first += first;
    }
    if (m_first > 0 && m_first < all.size() && all.at(m_first).isLowSurrogate())
        ++m_first;

    layOutOneLine(layout, shown(all, m_first, InView), font());
    const int top = contents.y() + (contents.height() - fontMetrics().height() + 1) / 2;
    return {qreal(contents.x() + HorizontalMargin), qreal(top)};
}

void TextField::paintEvent(QPaintEvent *event)
{
    if (!isLong()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setClipRect(textArea());

    QTextLayout layout;
    const QPointF origin = layOut(layout);
    QList<QTextLayout::FormatRange> selection;
    if (hasSelectedText()) {
        const qsizetype start = std::max<qsizetype>(selectionStart(), m_first);
        const qsizetype end = std::min<qsizetype>(selectionEnd(), m_first + InView);
        if (start < end) {
            QTextLayout::FormatRange range;
            range.start = int(start - m_first);
            range.length = int(end - start);
            range.format.setBackground(palette().brush(QPalette::Highlight));
            range.format.setForeground(palette().brush(QPalette::HighlightedText));
            selection.append(range);
        }
    }
    painter.setPen(palette().color(QPalette::Text));
    layout.draw(&painter, origin, selection);
    if (hasFocus() && !isReadOnly())
        layout.drawCursor(&painter, origin, int(cursorPosition() - m_first),
                          style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this));
}

qsizetype TextField::positionAt(int x)
{
    QTextLayout layout;
    const QPointF origin = layOut(layout);
    return m_first + layout.lineAt(0).xToCursor(x - origin.x());
}

qsizetype TextField::boundary(qsizetype from, bool forward, bool words) const
{
    // QLineEdit's own rules, over the neighbourhood only: a longer word is crossed in steps.
    const qsizetype start = std::max<qsizetype>(0, from - Reach);
    QTextLayout near;
    layOutOneLine(near, shown(text(), start, 2 * Reach), font());
    const QTextLayout::CursorMode mode = words ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
    const int at = int(from - start);
    return start + (forward ? near.nextCursorPosition(at, mode) : near.previousCursorPosition(at, mode));
}

void TextField::moveTo(qsizetype position, bool select)
{
    if (!select) {
        setCursorPosition(int(position));
        return;
    }
    const qsizetype anchor = !hasSelectedText()                     ? cursorPosition()
                             : cursorPosition() == selectionStart() ? selectionEnd()
                                                                    : selectionStart();
    setSelection(int(anchor), int(position - anchor));
}

void TextField::copySelection() const
{
    if (hasSelectedText())
        QGuiApplication::clipboard()->setText(selectedText());
}

void TextField::keyPressEvent(QKeyEvent *event)
{
    if (!isLong()) {
        // About to grow long: spare QLineEdit laying the whole paste out once.
        if (event->matches(QKeySequence::Paste))
            fitMode(text().size() + QGuiApplication::clipboard()->text().size());
        QLineEdit::keyPressEvent(event);
        return;
    }
    struct Move
    {
        QKeySequence::StandardKey key;
        bool forward;
        bool words;
        bool select;
    };
    static constexpr Move moves[] = {{QKeySequence::MoveToNextChar, true, false, false},
                                     {QKeySequence::MoveToPreviousChar, false, false, false},
                                     {QKeySequence::SelectNextChar, true, false, true},
                                     {QKeySequence::SelectPreviousChar, false, false, true},
                                     {QKeySequence::MoveToNextWord, true, true, false},
                                     {QKeySequence::MoveToPreviousWord, false, true, false},
                                     {QKeySequence::SelectNextWord, true, true, true},
                                     {QKeySequence::SelectPreviousWord, false, true, true}};
    for (const Move &move : moves) {
        if (event->matches(move.key)) {
            moveTo(boundary(cursorPosition(), move.forward, move.words), move.select);
            return;
        }
    }
    // Deletions as QLineEdit makes them: a word deletion stretches the selection to the word; then the
    // selection goes, or else the next character (but not after Ctrl+Backspace).
    const bool toWordEnd = event->matches(QKeySequence::DeleteEndOfWord);
    const bool toWordStart = event->matches(QKeySequence::DeleteStartOfWord);
    if (toWordEnd || toWordStart || event->matches(QKeySequence::Delete)) {
        if (isReadOnly())
            return;
        if (toWordEnd || toWordStart)
            moveTo(boundary(cursorPosition(), toWordEnd, true), true);
        if (!hasSelectedText() && !toWordStart)
            moveTo(boundary(cursorPosition(), true, false), true);
        if (hasSelectedText())
            del();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
    } else if (event->matches(QKeySequence::Cut)) {
        if (!isReadOnly() && hasSelectedText()) {
            copySelection();
            del();
        }
    } else {
        QLineEdit::keyPressEvent(event);
    }
}

void TextField::mousePressEvent(QMouseEvent *event)
{
    if (!isLong() || event->button() != Qt::LeftButton) {
        QLineEdit::mousePressEvent(event);
        return;
    }
    const qsizetype at = positionAt(qRound(event->position().x()));
    if (event->modifiers() & Qt::ShiftModifier) {
        moveTo(at, true);
        m_anchor = cursorPosition() == selectionStart() ? selectionEnd() : selectionStart();
    } else {
        setCursorPosition(int(at));
        m_anchor = at;
    }
}

void TextField::mouseMoveEvent(QMouseEvent *event)
{
    if (!isLong() || !(event->buttons() & Qt::LeftButton)) {
        QLineEdit::mouseMoveEvent(event);
        return;
    }
    setSelection(int(m_anchor), int(positionAt(qRound(event->position().x())) - m_anchor));
}

void TextField::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!isLong() || event->button() != Qt::LeftButton) {
        QLineEdit::mouseDoubleClickEvent(event);
        return;
    }
    // The word under the mouse, without the spaces after it, as QLineEdit chooses it.
    const QString all = text();
    const qsizetype at = positionAt(qRound(event->position().x()));
    const qsizetype start = boundary(std::min(at + 1, all.size()), false, true);
    qsizetype end = boundary(start, true, true);
    while (end > at && all.at(end - 1).isSpace())
        --end;
    m_anchor = start;
    setSelection(int(start), int(end - start));
}

void TextField::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    if (isLong()) {
        // QLineEdit will not copy text it does not show; this field can.
        for (QAction *action : menu->actions()) {
            const bool copy = action->objectName() == QLatin1String("edit-copy");
            if (!copy && action->objectName() != QLatin1String("edit-cut"))
                continue;
            action->disconnect(this);
            action->setEnabled(hasSelectedText() && (copy || !isReadOnly()));
            connect(action, &QAction::triggered, this, [this, copy] {
                copySelection();
                if (!copy)
                    del();
            });
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace zem
