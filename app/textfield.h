#pragma once

#include <QLineEdit>

class QTextLayout;

namespace zem {

// A single-line text field that takes text of any length and stays cheap whatever it holds.
//
// QLineEdit lays out and measures its whole text on every repaint, cursor blink and focus change:
// a pasted megabyte costs a third of a core at rest. Past LongText characters this field keeps
// QLineEdit's editing but hides the text from it (NoEcho), and draws, places the cursor by mouse and
// moves it by key over just the characters in view, and tells a screen reader those. Undo and input
// methods are not offered then.
class TextField : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr qsizetype LongText = 16384;

    explicit TextField(QWidget *parent = nullptr);

    // Drawing, moving and choosing go by what is in view (not by QLineEdit's own layout).
    bool isLong() const { return echoMode() == NoEcho; }
    // The characters in view, as a long field draws them from.
    QString textInView() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void fitMode(qsizetype length);
    // Where QLineEdit would put the text: inside the frame and the text margins.
    QRect textArea() const;
    // Lays out the characters in view, moving the view just enough to show the cursor, and returns
    // where the layout's first character stands.
    QPointF layOut(QTextLayout &layout);
    qsizetype positionAt(int x);
    // The nearest character or word boundary before or after `from`.
    qsizetype boundary(qsizetype from, bool forward, bool words) const;
    void moveTo(qsizetype position, bool select);
    void copySelection() const;

    qsizetype m_first = 0;  // the first character in view
    qsizetype m_anchor = 0; // where a mouse selection started
};

} // namespace zem
