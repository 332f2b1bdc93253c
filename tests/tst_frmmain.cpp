// The window as the operator meets it: where things stand, what they say, whether they show whole,
// and fields that hold any amount of text.
#include "textfield.h"
#include "zemtest.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
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
    QCOMPARE(window.windowTitle() + u'|' + QApplication::applicationName() + u'|' +
                 QApplication::applicationVersion(),
             u"Quorvane ZEM Control|ZEM|0.00.0009"_s);
    QVERIFY(!QApplication::windowIcon().isNull());
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
    drawn << u"btnSend0 6720 120 615 285 Send hex bytes|Send"_s
          << u"txtTextOut 960 480 5655 285 Text to send|"_s << u"btnSend1 6720 480 615 285 Send text|Send"_s
          << u"txtResponse 960 840 5655 285 Received bytes|"_s
          << u"btnClear0 7440 120 615 285 Clear hex bytes|Clear"_s
          << u"btnClear1 7440 480 615 285 Clear text|Clear"_s
          << u"btnClear2 7440 840 615 285 Clear received bytes|Clear"_s << first
          << u"Label1 120 120 615 255 |HEX:"_s << u"Label2 120 480 615 255 |TEXT:"_s
          << u"Label3 120 840 855 255 |Response:"_s << u"StatusBar1 0 1125 8205 255 |"_s
          << u"StatusBar1Panel1 0 1125 1440 255 |Disconnected"_s
          << u"StatusBar1Panel2 1440 1125 1440 255 |COM1:9600 8N1"_s;
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
    const QFont desktop = QApplication::font();
    QFont font = desktop;
    font.setPointSizeF(points);
    QApplication::setFont(font);
    Zem zem;
    QApplication::setFont(desktop);

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
                     qPrintable(u"%1 \"%2\" in %3x%4"_s.arg(control->objectName(), text)
                                    .arg(room.width())
                                    .arg(room.height())));
    }
    const QMenuBar *bar = zem.window->menuBar();
    for (QAction *item : bar->actions())
        QVERIFY(bar->actionGeometry(item).width() >
                bar->fontMetrics().horizontalAdvance(item->text().remove(u'&')));
}

void tst_frmMain::longTextEditsLikeShortText()
{
    // A long field against QLineEdit itself, holding the same text and given the same input.
    QWidget host;
    zem::TextField field(&host);
    QLineEdit reference(&host);
    reference.setMaxLength(field.maxLength());
    field.setGeometry(0, 0, 377, 19);
    reference.setGeometry(0, 30, 377, 19);
    host.show();
    QRandomGenerator random(5);
    const QString words[] = {u"ab"_s, u"cd, "_s,       u"\u00E9t\u00E9"_s, u" "_s,
                             u"12"_s, u"\U0001F600"_s, u"x-y"_s,           u"\t"_s};
    QString text;
    while (text.size() <= zem::TextField::LongText + 200)
        text += words[random.bounded(8)];
    field.setText(text);
    reference.setText(text);
    QVERIFY(field.displayText().isEmpty()); // QLineEdit no longer lays the whole text out

    // At the start, unfocused, both draw the same; a click or a double click lands in the same place.
    field.setCursorPosition(0);
    reference.setCursorPosition(0);
    QCOMPARE(field.grab().toImage(), reference.grab().toImage());
    for (const int x : {7, 60, 250}) {
        for (QLineEdit *edit : {static_cast<QLineEdit *>(&field), &reference}) {
            QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(x, 9));
            QTest::mouseDClick(edit, Qt::LeftButton, {}, QPoint(x, 9));
        }
        QCOMPARE(field.selectedText(), reference.selectedText());
        QCOMPARE(field.cursorPosition(), reference.cursorPosition());
    }

    // Keys from anywhere in the text.
    using Key = QKeySequence;
    const Key::StandardKey keys[] = {Key::MoveToNextChar,
                                     Key::MoveToPreviousChar,
                                     Key::SelectNextChar,
                                     Key::SelectPreviousChar,
                                     Key::MoveToNextWord,
                                     Key::MoveToPreviousWord,
                                     Key::SelectNextWord,
                                     Key::SelectPreviousWord,
                                     Key::Delete,
                                     Key::Backspace,
                                     Key::DeleteEndOfWord,
                                     Key::DeleteStartOfWord,
                                     Key::Copy,
                                     Key::Cut,
                                     Key::Paste};
    for (int step = 0; step < 200; ++step) {
        if (step % 10 == 0) {
            const int at = random.bounded(int(text.size()));
            field.setCursorPosition(at);
            reference.setCursorPosition(at);
        }
        const Key key(keys[random.bounded(int(std::size(keys)))]);
        QTest::keySequence(&field, key);
        const QString copied = QGuiApplication::clipboard()->text();
        QTest::keySequence(&reference, key);
        QCOMPARE(copied, QGuiApplication::clipboard()->text());
        QCOMPARE(field.text(), reference.text());
        QCOMPARE(field.cursorPosition(), reference.cursorPosition());
        QCOMPARE(field.selectedText(), reference.selectedText());
    }
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
