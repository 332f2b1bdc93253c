#pragma once

#include <QLineEdit>

#include <functional>
#include <vector>

namespace zem {

// A stock line edit that holds at most Limit characters. Where QLineEdit would cut an over-long
// paste, drop or middle-click to fit, this field refuses it whole and says so: a TEXT cut short would
// go out as if it were whole. Typing into a full field is refused as in any full field. Text the
// program puts in front (received bytes) leaves the operator's place and Undo as they were.
class TextField : public QLineEdit
{
    Q_OBJECT
public:
    // QLineEdit lays out and shapes its whole text on every change and again at every blink of its
    // cursor. At this length a full field that has the focus costs under 1% of a core at rest, and an
    // update of the Response field a few milliseconds (the README's figures); at twice this, 2%.
    static constexpr int Limit = 16384;

    // Where a middle-click takes its text from: the desktop's selection, where it has one.
    static std::function<QString()> selection;

    explicit TextField(QWidget *parent = nullptr);

    // Shows `text`, of which `added` characters were put in front of what the field held, and its end
    // maybe cut. Where the operator has a place in the field (a selection, or the caret anywhere but at
    // the front), the caret, the selection and the view stay on their characters, focused or not;
    // otherwise the front shows. What the operator did before stays undoable.
    void putInFront(const QString &text, qsizetype added);

Q_SIGNALS:
    // Text the operator tried to put in did not fit; the field kept what it had.
    void refused(const QString &message);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // What the operator changed between two of the program's changes, as one step to undo.
    struct Edit
    {
        qsizetype at;
        QString removed, inserted;
    };

    // QLineEdit takes an insert in one undo step a character, so a paste far over the limit would
    // take seconds and hundreds of megabytes before the limit refused it: a paste, drop or
    // middle-click is measured first, as `incoming` characters in place of `replaced`.
    bool takes(qsizetype incoming, qsizetype replaced);
    void pasteIfItFits();
    void refuse();
    // QLineEdit forgets its Undo whenever the program sets the text; what it forgot is undone here.
    void undoEdit();
    void noteChange();
    void setTextOwn(const QString &text);

    bool m_typing = false;
    bool m_edited = false;       // the change under way is the operator's
    bool m_own = false;          // the change under way is putInFront's or undoEdit's
    QString m_base;              // the text as the program last put it
    std::vector<Edit> m_earlier; // the operator's edits QLineEdit has forgotten, the latest last
};

} // namespace zem
