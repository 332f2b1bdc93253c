#pragma once

#include <QLineEdit>

namespace zem {

// A stock line edit that holds at most Limit characters. Where QLineEdit would cut an over-long
// paste, drop or middle-click to fit, this field refuses it whole and says so: a TEXT cut short would
// go out as if it were whole. Typing into a full field is refused as in any full field.
class TextField : public QLineEdit
{
    Q_OBJECT
public:
    // QLineEdit lays out and shapes its whole text on every change and again at every blink of its
    // cursor. At this length a full field that has the focus costs under 1% of a core at rest, and an
    // update of the Response field a few milliseconds (the README's figures); at twice this, 2%.
    static constexpr int Limit = 16384;

    explicit TextField(QWidget *parent = nullptr);

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
    // QLineEdit takes an insert in one undo step a character, so a paste far over the limit would
    // take seconds and hundreds of megabytes before the limit refused it: a paste, drop or
    // middle-click is measured first, as `incoming` characters in place of `replaced`.
    bool takes(qsizetype incoming, qsizetype replaced);
    void pasteIfItFits();
    void refuse();

    bool m_typing = false;
};

} // namespace zem
