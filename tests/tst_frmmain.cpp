// The window as the operator meets it: where things stand, what they say, whether they show whole
// at the operator's font, and fields that refuse what they cannot hold instead of cutting it.
#include "textfield.h"
#include "twips.h"
#include "zemtest.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
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

// Each control where the layout draws it, in twips from the client area's corner, with what a
// screen reader says and its caption or empty text; in tab order, the first again to close the
// circle, then the controls Tab passes by.
QStringList drawn()
{
    const QString first = u"txtHEX0 960 120 375 285 Hex byte 1|"_s;
    QStringList rows{first};
    for (int i = 1; i < 12; ++i)
        rows << u"txtHEX%1 %2 120 375 285 Hex byte %3|"_s.arg(i).arg(960 + 480 * i).arg(i + 1);
    // clang-format off
    rows << u"btnSend0 6720 120 615 285 Send hex bytes|Send"_s << u"txtTextOut 960 480 5655 285 Text to send|"_s
         << u"btnSend1 6720 480 615 285 Send text|Send"_s << u"txtResponse 960 840 5655 285 Received bytes|"_s
         << u"btnClear0 7440 120 615 285 Clear hex bytes|Clear"_s << u"btnClear1 7440 480 615 285 Clear text|Clear"_s
         << u"btnClear2 7440 840 615 285 Clear received bytes|Clear"_s << first << u"Label1 120 120 615 255 |HEX:"_s
         << u"Label2 120 480 615 255 |TEXT:"_s << u"Label3 120 840 855 255 |Response:"_s << u"StatusBar1 0 1125 8205 255 |"_s
         << u"StatusBar1Panel1 0 1125 1440 255 |Disconnected"_s << u"StatusBar1Panel2 1440 1125 1440 255 |COM1:9600 8N1"_s;
    // clang-format on
    return rows;
}

// Where a row of drawn() stands in the window, at the layout's scale.
QRect placed(const zem::frmMain &window, const QString &row)
{
    const QStringList at = row.split(u' ');
    return zem::Twips{window.layoutScale()}.rect(at[1].toInt(), at[2].toInt(), at[3].toInt(), at[4].toInt());
}

QRect actual(const zem::frmMain &window, const QWidget *widget)
{
    const QPoint corner = window.centralWidget()->mapTo(&window, QPoint());
    return {widget->mapTo(&window, QPoint()) - corner, widget->size()};
}

} // namespace

class tst_frmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensAsDrawn();
    void captionsShowWhole_data();
    void captionsShowWhole();
    void fieldsRefuseWhatDoesNotFit();
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

    // Tab visits the controls row by row, each telling a screen reader what it is.
    zem.find(u"txtHEX0"_s)->setFocus();
    for (const QString &row : drawn()) {
        QWidget *widget = zem.find<QWidget>(row.section(u' ', 0, 0));
        QCOMPARE(actual(window, widget), placed(window, row));
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
    for (const qreal points : {6.0, 9.0, 10.0, 12.0, 14.0})
        QTest::addRow("%g pt", points) << points;
}

void tst_frmMain::captionsShowWhole()
{
    // The desktop's font at this size (the logical DPI comes from QT_SCALE_FACTOR).
    QFETCH(qreal, points);
    QFont font = QApplication::font();
    font.setPointSizeF(points);
    QApplication::setFont(font);
    Zem zem;
    const zem::frmMain &window = *zem.window;

    // Every length of the layout grows by one factor where the font needs it, and only then.
    for (const QString &row : drawn())
        QCOMPARE(actual(window, zem.find<QWidget>(row.section(u' ', 0, 0))), placed(window, row));
    if (points <= 6) {
        QCOMPARE(window.layoutScale(), 1.0);
        QCOMPARE(window.size(), QSize(547, 92 + window.menuBar()->height()));
    }

    // Each caption in every form it takes, in the desktop's font, against the room its control gives
    // it: a label's up to the control beside it, a button's inside its bevel.
    const QMap<QString, QStringList> forms{
        {u"StatusBar1Panel1"_s, {u"Connected"_s, u"Disconnected"_s, u"Disconnecting"_s}},
        {u"StatusBar1Panel2"_s, {u"COM4:9600 8N1"_s}},
        {u"sending"_s, {u"Sending: 1,048,576 bytes left, about 18:13"_s}}};
    for (QWidget *control : window.findChildren<QWidget *>()) {
        QCOMPARE(control->font().pointSizeF(), points);
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

void tst_frmMain::fieldsRefuseWhatDoesNotFit()
{
    Zem zem;
    QLineEdit *text = zem.find(u"txtTextOut"_s);
    QLineEdit *hex = zem.find(u"txtHEX2"_s);
    const QString told = u"The field \"%1\" holds at most 16,384 characters, so the text was not added; the "
                         "field keeps what it had."_s;
    for (QLineEdit *field : {text, hex}) {
        // A paste that fits goes in whole, and Undo takes back just that.
        field->setText(u"ab"_s);
        field->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(QString(zem::TextField::Limit - 3, u'7'));
        QTest::keySequence(field, QKeySequence::Paste);
        QCOMPARE(field->text(), u"a"_s + QString(zem::TextField::Limit - 3, u'7') + u"b"_s);
        QTest::keySequence(field, QKeySequence::Undo);
        QCOMPARE(field->text(), u"ab"_s);
        QTest::keySequence(field, QKeySequence::Redo);

        // One character more than fits, pasted or put in as a middle-click does: refused whole, told
        // once each, and nothing left to undo.
        const QString before = field->text();
        QGuiApplication::clipboard()->setText(u"yz"_s);
        QTest::keySequence(field, QKeySequence::Paste);
        field->insert(u"yz"_s);
        QCOMPARE(field->text(), before);
        QTRY_COMPARE(zem.messages, QStringList(2, told.arg(field->accessibleName())));
        zem.messages.clear();
        QTest::keySequence(field, QKeySequence::Undo);
        QCOMPARE(field->text(), u"ab"_s);

        // A full field takes no more typing, without a word.
        QTest::keySequence(field, QKeySequence::Redo);
        QTest::keyClick(field, Qt::Key_X);
        QTest::keyClick(field, Qt::Key_Y);
        QCOMPARE(field->text(), QString(before).insert(field->cursorPosition() - 1, u'x'));
        settle(20);
        QVERIFY(zem.messages.isEmpty());
    }
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
