// The window as the operator meets it: where things stand, what they say, whether they show whole,
// and fields that hold any amount of text.
#include "textfield.h"
#include "zemtest.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QRandomGenerator>
#include <QStyleOptionButton>
#include <QtTest>

namespace {

// A menu as its captions: * checked, - greyed, ! a keyboard shortcut, [] a submenu.
QString describe(const QList<QAction *> &actions)
{
    QStringList items;
    for (const QAction *a : actions)
        items.append(a->text() + (a->isChecked() ? u"*" : u"") + (a->isEnabled() ? u"" : u"-") +
                     (a->shortcut().isEmpty() ? u"" : u"!") +
                     (a->menu() ? u'[' + describe(a->menu()->actions()) + u']' : QString()));
    return items.join(u',');
}

} // namespace

class tst_frmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensAsDrawn();
    void captionsShowWhole_data();
    void captionsShowWhole();
    void longTextEditsLikeShortText();
};

void tst_frmMain::opensAsDrawn()
{
    Zem zem;
    zem::frmMain &window = *zem.window;
    QVERIFY(window.windowTitle() == "Quorvane ZEM Control"_L1 && !QApplication::windowIcon().isNull());
    QCOMPARE(QApplication::applicationName() + u' ' + QApplication::applicationVersion(), u"ZEM 0.00.0009"_s);
    QCOMPARE(describe(window.menuBar()->actions()),
             u"&Settings[&Port[Com &1*,Com &2,Com &3,Com &4],&Speed-[&1200,&2400,&9600*]],&Connect"_s);
    QVERIFY(!zem.comm().PortOpen() && zem.showsTruth());

    // Each control where the layout draws it, in twips (15 to a pixel) from the client area's corner,
    // with its caption or its empty text; Tab visits them row by row, each telling a screen reader what it
    // is.
    const QString first = u"txtHEX0 960 120 375 285 Hex byte 1|"_s;
    QStringList drawn{first};
    for (int i = 1; i < 12; ++i)
        drawn << u"txtHEX%1 %2 120 375 285 Hex byte %3|"_s.arg(i).arg(960 + 480 * i).arg(i + 1);
    // clang-format off
    drawn << u"btnSend0 6720 120 615 285 Send hex bytes|Send"_s << u"txtTextOut 960 480 5655 285 Text to send|"_s
          << u"btnSend1 6720 480 615 285 Send text|Send"_s << u"txtResponse 960 840 5655 285 Received bytes|"_s
          << u"btnClear0 7440 120 615 285 Clear hex bytes|Clear"_s << u"btnClear1 7440 480 615 285 Clear text|Clear"_s
          << u"btnClear2 7440 840 615 285 Clear received bytes|Clear"_s << first << u"Label1 120 120 615 255 |HEX:"_s
          << u"Label2 120 480 615 255 |TEXT:"_s << u"Label3 120 840 855 255 |Response:"_s << u"StatusBar1 0 1125 8205 255 |"_s
          << u"StatusBar1Panel1 0 1125 1440 255 |Disconnected"_s << u"StatusBar1Panel2 1440 1125 1440 255 |COM1:9600 8N1"_s;
    // clang-format on
    QCOMPARE(window.size(), QSize(547, 92 + window.menuBar()->height()));
    const QPoint corner = window.centralWidget()->mapTo(&window, QPoint());
    zem.find(u"txtHEX0"_s)->setFocus();
    for (const QString &row : std::as_const(drawn)) {
        const QStringList at = row.split(u' ');
        QWidget *widget = zem.find<QWidget>(at[0]);
        QCOMPARE(QRect(widget->mapTo(&window, QPoint()) - corner, widget->size()),
                 QRect(at[1].toInt() / 15, at[2].toInt() / 15, at[3].toInt() / 15, at[4].toInt() / 15));
        const bool stop = widget->focusPolicy() != Qt::NoFocus;
        const QString said =
            stop ? QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name) : QString();
        QCOMPARE(said + u'|' + widget->property("text").toString(), row.section(u' ', 5));
        if (stop) {
            QCOMPARE(QApplication::focusWidget(), widget);
            QTest::keyClick(widget, Qt::Key_Tab);
        }
    }
}

void tst_frmMain::captionsShowWhole_data()
{
    QTest::addColumn<qreal>("points");
    for (const qreal points : {9.0, 10.0, 11.0})
        QTest::addRow("%g pt", points) << points;
}

void tst_frmMain::captionsShowWhole()
{
    // The desktop's font at this size (the scale factor comes from QT_SCALE_FACTOR).
    QFETCH(qreal, points);
    QFont font = QApplication::font();
    font.setPointSizeF(points);
    QApplication::setFont(font);
    Zem zem;

    // Each caption in every form it takes, in the font its control really uses, against the room the
    // control gives it: a label's up to the control beside it, a button's inside its bevel.
    const QMap<QString, QStringList> forms{{u"StatusBar1Panel1"_s, {u"Connected"_s, u"Disconnected"_s}},
                                           {u"StatusBar1Panel2"_s, {u"COM4:9600 8N1"_s}},
                                           {u"sending"_s, {u"Sending: 1,048,576 bytes left, about 18:13"_s}}};
    for (QWidget *control : zem.window->findChildren<QWidget *>()) {
        QRect room = control->contentsRect();
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QStyleOptionButton option;
            option.initFrom(button);
            room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        } else if (!qobject_cast<QLabel *>(control)) {
            continue;
        }
        for (const QWidget *beside :
             control->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (beside != control && beside->x() > control->x() &&
                beside->geometry().intersects(control->geometry()))
                room.setRight(std::min(room.right(), beside->x() - control->x() - 2));
        }
        const QFontMetricsF metrics(control->font());
        for (const QString &text : forms.value(control->objectName(), {control->property("text").toString()}))
            QVERIFY2(metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height(),
                     qPrintable(control->objectName() + u' ' + text));
    }
}

void tst_frmMain::longTextEditsLikeShortText()
{
    // A long field against QLineEdit itself, holding the same text and given the same input.
    QWidget host;
    zem::TextField field(&host);
    QLineEdit reference(&host);
    field.setGeometry(0, 0, 377, 19);
    reference.setGeometry(0, 30, 377, 19);
    host.show();
    QRandomGenerator random(5);
    const QStringList words = u"ab|cd, |\u00E9t\u00E9| |12|\U0001F600|x-y|\t"_s.split(u'|');
    QString text;
    while (text.size() <= zem::TextField::LongText + 200)
        text += words[random.bounded(8)];
    field.setText(text);
    reference.setText(text);
    QVERIFY(field.displayText().isEmpty()); // QLineEdit no longer lays the whole text out...
    QCOMPARE(QAccessible::queryAccessibleInterface(&field)->text(QAccessible::Value),
             text.left(1024)); // ...nor tells it

    // At the start, unfocused, both draw the same.
    field.setCursorPosition(0);
    reference.setCursorPosition(0);
    QCOMPARE(field.grab().toImage(), reference.grab().toImage());
    using Key = QKeySequence;
    // clang-format off
    const Key::StandardKey keys[] = {Key::MoveToNextChar, Key::MoveToPreviousChar, Key::SelectNextChar, Key::SelectPreviousChar,
        Key::MoveToNextWord, Key::MoveToPreviousWord, Key::SelectNextWord, Key::SelectPreviousWord, Key::Delete, Key::Backspace,
        Key::DeleteEndOfWord, Key::DeleteStartOfWord, Key::Copy, Key::Cut, Key::Paste};
    // clang-format on
    for (int step = 0; step < 200; ++step) {
        if (step % 10 == 0)
            field.setCursorPosition(random.bounded(int(text.size()))),
                reference.setCursorPosition(field.cursorPosition());
        const Key key(keys[random.bounded(int(std::size(keys)))]);
        QTest::keySequence(&field, key);
        const QString copied = QGuiApplication::clipboard()->text();
        QTest::keySequence(&reference, key);
        QVERIFY2(copied == QGuiApplication::clipboard()->text() && field.text() == reference.text() &&
                     field.cursorPosition() == reference.cursorPosition() &&
                     field.selectedText() == reference.selectedText(),
                 qPrintable(key.toString()));
    }
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
