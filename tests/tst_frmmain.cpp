// The window as the operator sees it: where things stand, what they say, how the keyboard reaches
// them, and fields that hold any amount of text.
#include "textfield.h"
#include "zemtest.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QtTest>

namespace {

// A menu as its captions: * checked, - greyed, ! a keyboard shortcut, [] a submenu.
QString describe(const QList<QAction *> &actions)
{
    QStringList items;
    for (const QAction *action : actions) {
        items.append(action->text() + (action->isChecked() ? u"*" : u"") +
                     (action->isEnabled() ? u"" : u"-") + (action->shortcut().isEmpty() ? u"" : u"!") +
                     (action->menu() ? u'[' + describe(action->menu()->actions()) + u']' : QString()));
    }
    return items.join(u',');
}

} // namespace

class tst_frmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensAsDrawn();
    void keyboardReachesEverything();
    void captionsShowWhole_data();
    void captionsShowWhole();
    void longTextEditsLikeShortText();
};

void tst_frmMain::opensAsDrawn()
{
    Zem zem;
    zem::frmMain &window = *zem.window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Quorvane ZEM Control"));
    QCOMPARE(QApplication::applicationName() + u' ' + QApplication::applicationVersion(),
             QStringLiteral("ZEM 0.00.0009"));
    QVERIFY(!QApplication::windowIcon().isNull());

    // Every control where the layout draws it, in twips from the client area's top left.
    const QWidget *client = window.centralWidget();
    QCOMPARE(window.size(), QSize(547, 92 + window.menuBar()->height()));
    const auto twips = [](int left, int top, int width, int height) {
        return QRect(left / 15, top / 15, width / 15, height / 15);
    };
    QMap<QString, QRect> drawn{{QStringLiteral("btnSend0"), twips(6720, 120, 615, 285)},
                               {QStringLiteral("txtTextOut"), twips(960, 480, 5655, 285)},
                               {QStringLiteral("btnSend1"), twips(6720, 480, 615, 285)},
                               {QStringLiteral("Label1"), twips(120, 120, 615, 255)},
                               {QStringLiteral("Label2"), twips(120, 480, 615, 255)},
                               {QStringLiteral("txtResponse"), twips(960, 840, 5655, 285)},
                               {QStringLiteral("Label3"), twips(120, 840, 855, 255)},
                               {QStringLiteral("StatusBar1"), twips(0, 1125, 8205, 255)},
                               {QStringLiteral("StatusBar1Panel1"), twips(0, 1125, 1440, 255)},
                               {QStringLiteral("StatusBar1Panel2"), twips(1440, 1125, 1440, 255)}};
    for (int i = 0; i < 3; ++i)
        drawn.insert(QStringLiteral("btnClear%1").arg(i), twips(7440, 120 + 360 * i, 615, 285));
    for (int i = 0; i < 12; ++i)
        drawn.insert(QStringLiteral("txtHEX%1").arg(i), twips(960 + 480 * i, 120, 375, 285));
    for (auto it = drawn.cbegin(); it != drawn.cend(); ++it) {
        const QWidget *control = zem.find<QWidget>(it.key());
        QCOMPARE(QRect(control->mapTo(&window, QPoint()) - client->mapTo(&window, QPoint()), control->size()),
                 it.value());
    }

    // Menus, captions and the state the program starts in.
    QCOMPARE(describe(window.menuBar()->actions()),
             QStringLiteral(
                 "&Settings[&Port[Com &1*,Com &2,Com &3,Com &4],&Speed-[&1200,&2400,&9600*]],&Connect"));
    QStringList captions;
    for (const char *name : {"Label1", "Label2", "Label3", "btnSend0", "btnSend1", "btnClear0", "btnClear2"})
        captions.append(zem.find<QWidget>(QLatin1String(name))->property("text").toString());
    QCOMPARE(captions.join(u','), QStringLiteral("HEX:,TEXT:,Response:,Send,Send,Clear,Clear"));
    for (const QLineEdit *field : window.findChildren<QLineEdit *>())
        QVERIFY(field->text().isEmpty() && !field->isReadOnly());
    QVERIFY(!zem.comm().PortOpen() && zem.showsTruth());

    // What a screen reader says for each field and button.
    QStringList spoken;
    QList<QAccessibleInterface *> pending{QAccessible::queryAccessibleInterface(&window)};
    while (!pending.isEmpty()) {
        QAccessibleInterface *node = pending.takeFirst();
        if (node->role() == QAccessible::EditableText || node->role() == QAccessible::Button)
            spoken.append(node->object()->objectName() + u'=' + node->text(QAccessible::Name));
        for (int i = 0; i < node->childCount(); ++i)
            pending.append(node->child(i));
    }
    spoken.sort();
    QCOMPARE(spoken.join(u','),
             QStringLiteral("btnClear0=Clear hex bytes,btnClear1=Clear text,btnClear2=Clear "
                            "received bytes,btnSend0=Send hex bytes,btnSend1=Send text,"
                            "txtHEX0=Hex byte 1,txtHEX10=Hex byte 11,txtHEX11=Hex byte 12,"
                            "txtHEX1=Hex byte 2,txtHEX2=Hex byte 3,txtHEX3=Hex byte 4,"
                            "txtHEX4=Hex byte 5,txtHEX5=Hex byte 6,txtHEX6=Hex byte 7,"
                            "txtHEX7=Hex byte 8,txtHEX8=Hex byte 9,txtHEX9=Hex byte 10,"
                            "txtResponse=Received bytes,txtTextOut=Text to send"));
}

void tst_frmMain::keyboardReachesEverything()
{
    Zem zem;
    PtyDevice *device = zem.plug(2);
    QVERIFY(QTest::qWaitForWindowActive(zem.window.get()));
    // Tab follows the rows, then the Clear column, and comes round.
    QStringList order;
    for (int i = 0; i < 12; ++i)
        order.append(QStringLiteral("txtHEX%1").arg(i));
    order << QStringLiteral("btnSend0") << QStringLiteral("txtTextOut") << QStringLiteral("btnSend1")
          << QStringLiteral("txtResponse") << QStringLiteral("btnClear0") << QStringLiteral("btnClear1")
          << QStringLiteral("btnClear2") << QStringLiteral("txtHEX0");
    zem.find<QWidget>(order.first())->setFocus();
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), order.at(i));
    }

    // Alt+S, P, 2 chooses Com 2; Alt+C connects.
    QTest::keyClick(zem.window.get(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_P);
    QTRY_COMPARE(qobject_cast<QMenu *>(QApplication::activePopupWidget())->title(), QStringLiteral("&Port"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_2);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QTest::keyClick(zem.window.get(), Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(zem.comm().PortOpen() && zem.comm().CommPort() == 2);

    // Enter and Escape trigger nothing; Space presses the focused button.
    QLineEdit *text = zem.find(QStringLiteral("txtTextOut"));
    text->setText(QStringLiteral("AT"));
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClick(text, Qt::Key_Escape);
    Zem::settle(50);
    QVERIFY(device->received.isEmpty());
    QWidget *send = zem.find<QWidget>(QStringLiteral("btnSend1"));
    send->setFocus();
    QTest::keyClick(send, Qt::Key_Space);
    QTRY_COMPARE(device->received, QByteArray("AT"));
}

void tst_frmMain::captionsShowWhole_data()
{
    QTest::addColumn<qreal>("points");
    for (const qreal points : {9.0, 10.0, 11.0})
        QTest::addRow("%g pt", points) << points;
}

void tst_frmMain::captionsShowWhole()
{
    // The desktop's font at this size; the scale factor comes from QT_SCALE_FACTOR.
    QFETCH(qreal, points);
    const QFont desktop = QApplication::font();
    QFont font = desktop;
    font.setPointSizeF(points);
    QApplication::setFont(font);
    Zem zem;
    QApplication::setFont(desktop);

    // Each caption, in every form it takes, in the font its control really uses, against the room the
    // control gives it: a label's up to the control beside it, a button's inside its bevel.
    const QMap<QString, QStringList> forms{
        {QStringLiteral("StatusBar1Panel1"), {QStringLiteral("Connected"), QStringLiteral("Disconnected")}},
        {QStringLiteral("StatusBar1Panel2"),
         {QStringLiteral("COM1:9600 8N1"), QStringLiteral("COM4:9600 8N1")}},
        {QStringLiteral("sending"), {QStringLiteral("Sending: 1,048,576 bytes left, about 18:13")}}};
    QList<QWidget *> captioned;
    for (QLabel *label : zem.window->findChildren<QLabel *>())
        captioned.append(label);
    for (QPushButton *button : zem.window->findChildren<QPushButton *>())
        captioned.append(button);
    for (QWidget *control : std::as_const(captioned)) {
        QRect room = control->contentsRect();
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QStyleOptionButton option;
            option.initFrom(button);
            room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        }
        for (const QWidget *beside :
             control->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (beside != control && beside->x() > control->x() &&
                beside->geometry().intersects(control->geometry()))
                room.setRight(std::min(room.right(), beside->x() - control->x() - 2));
        }
        const QFontMetricsF metrics(control->font());
        for (const QString &text :
             forms.value(control->objectName(), {control->property("text").toString()})) {
            QVERIFY2(metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height(),
                     qPrintable(QStringLiteral("%1 \"%2\": %3x%4 in %5x%6")
                                    .arg(control->objectName(), text)
                                    .arg(metrics.horizontalAdvance(text))
                                    .arg(metrics.height())
                                    .arg(room.width())
                                    .arg(room.height())));
        }
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
    const QString words[] = {QStringLiteral("ab"),  QStringLiteral("cd, "), QStringLiteral("\u00E9t\u00E9"),
                             QStringLiteral(" "),   QStringLiteral("12"),   QStringLiteral("\U0001F600"),
                             QStringLiteral("x-y"), QStringLiteral("\t")};
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
        QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(x, 9));
        QTest::mouseClick(&reference, Qt::LeftButton, {}, QPoint(x, 9));
        QCOMPARE(field.cursorPosition(), reference.cursorPosition());
        QTest::mouseDClick(&field, Qt::LeftButton, {}, QPoint(x, 9));
        QTest::mouseDClick(&reference, Qt::LeftButton, {}, QPoint(x, 9));
        QCOMPARE(field.selectedText(), reference.selectedText());
    }

    // Keys from anywhere in the text.
    const QKeySequence::StandardKey keys[] = {QKeySequence::MoveToNextChar,
                                              QKeySequence::MoveToPreviousChar,
                                              QKeySequence::SelectNextChar,
                                              QKeySequence::SelectPreviousChar,
                                              QKeySequence::MoveToNextWord,
                                              QKeySequence::MoveToPreviousWord,
                                              QKeySequence::SelectNextWord,
                                              QKeySequence::SelectPreviousWord,
                                              QKeySequence::Delete,
                                              QKeySequence::Backspace,
                                              QKeySequence::DeleteEndOfWord,
                                              QKeySequence::DeleteStartOfWord,
                                              QKeySequence::Copy,
                                              QKeySequence::Cut,
                                              QKeySequence::Paste};
    for (int step = 0; step < 200; ++step) {
        if (step % 10 == 0) {
            const int at = random.bounded(int(text.size()));
            field.setCursorPosition(at);
            reference.setCursorPosition(at);
        }
        const QKeySequence key(keys[random.bounded(int(std::size(keys)))]);
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
