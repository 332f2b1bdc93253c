#include "application.h"
#include "frmmain.h"
#include "recordingcomm.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

using zem::frmMain;

namespace {

QString name(const char *base, int index)
{
    return QLatin1String(base) + QString::number(index);
}

} // namespace

class tst_Window : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void controlsStandWhereTheyAreDrawn_data();
    void controlsStandWhereTheyAreDrawn();
    void clientAreaAndStatusBar();
    void captions_data();
    void captions();
    void startsEmptyClosedOnPortOne();
    void fieldsTakeTextOfAnyLength_data();
    void fieldsTakeTextOfAnyLength();
    void tabVisitsControlsInDesignedOrder();
    void enterAndEscapeTriggerNothing();
    void menusAsDrawn();
    void speedCannotBeOpened();
    void accessKeysChoosePortAndConnect();
    void everyControlHasASpokenName();
    void spaceOnAFocusedButtonPressesIt();
    void carriesItsTitleVersionAndIcon();
    void closingWithPortClosedWritesNothing();
    void closingWithPortOpenClosesIt();

private:
    frmMain *m_window = nullptr;
    RecordingComm *m_comm = nullptr;
    template<typename T> T *find(const QString &objectName) const
    {
        auto *found = m_window->findChild<T *>(objectName);
        if (!found)
            qWarning("no %s", qPrintable(objectName));
        return found;
    }
};

void tst_Window::init()
{
    m_comm = new RecordingComm;
    m_window = new frmMain(m_comm);
    m_window->show();
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void tst_Window::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void tst_Window::controlsStandWhereTheyAreDrawn_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("twips");
    for (int i = 0; i < 12; ++i)
        QTest::newRow(qPrintable(name("txtHEX", i)))
            << name("txtHEX", i) << QRect(960 + 480 * i, 120, 375, 285);
    QTest::newRow("btnSend0") << QStringLiteral("btnSend0") << QRect(6720, 120, 615, 285);
    QTest::newRow("txtTextOut") << QStringLiteral("txtTextOut") << QRect(960, 480, 5655, 285);
    QTest::newRow("btnSend1") << QStringLiteral("btnSend1") << QRect(6720, 480, 615, 285);
    QTest::newRow("Label1") << QStringLiteral("Label1") << QRect(120, 120, 615, 255);
    QTest::newRow("Label2") << QStringLiteral("Label2") << QRect(120, 480, 615, 255);
    QTest::newRow("txtResponse") << QStringLiteral("txtResponse") << QRect(960, 840, 5655, 285);
    QTest::newRow("Label3") << QStringLiteral("Label3") << QRect(120, 840, 855, 255);
    QTest::newRow("btnClear0") << QStringLiteral("btnClear0") << QRect(7440, 120, 615, 285);
    QTest::newRow("btnClear1") << QStringLiteral("btnClear1") << QRect(7440, 480, 615, 285);
    QTest::newRow("btnClear2") << QStringLiteral("btnClear2") << QRect(7440, 840, 615, 285);
    QTest::newRow("StatusBar1") << QStringLiteral("StatusBar1") << QRect(0, 1125, 8205, 255);
}

void tst_Window::controlsStandWhereTheyAreDrawn()
{
    QFETCH(QString, control);
    QFETCH(QRect, twips);
    auto *widget = find<QWidget>(control);
    QVERIFY(widget);
    // Positions count from the top left of the client area, under the menu bar.
    const QPoint origin = m_window->centralWidget()->mapTo(m_window, QPoint(0, 0));
    const QRect actual(widget->mapTo(m_window, QPoint(0, 0)) - origin, widget->size());
    const QRect expected(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    QCOMPARE(actual, expected);
}

void tst_Window::clientAreaAndStatusBar()
{
    QCOMPARE(m_window->centralWidget()->y(), m_window->menuBar()->height());
    QCOMPARE(m_window->size(), QSize(547, 92 + m_window->menuBar()->height()));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize()); // fixed size
    const auto *panel1 = find<QLabel>(QStringLiteral("StatusBar1Panel1"));
    const auto *panel2 = find<QLabel>(QStringLiteral("StatusBar1Panel2"));
    QVERIFY(panel1 && panel2);
    QCOMPARE(panel1->width(), 96);
    QCOMPARE(panel2->width(), 96);
    QVERIFY(panel1->x() < panel2->x());
}

void tst_Window::captions_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::newRow("btnSend0") << QStringLiteral("btnSend0") << QStringLiteral("Send");
    QTest::newRow("btnSend1") << QStringLiteral("btnSend1") << QStringLiteral("Send");
    QTest::newRow("btnClear0") << QStringLiteral("btnClear0") << QStringLiteral("Clear");
    QTest::newRow("btnClear1") << QStringLiteral("btnClear1") << QStringLiteral("Clear");
    QTest::newRow("btnClear2") << QStringLiteral("btnClear2") << QStringLiteral("Clear");
    QTest::newRow("Label1") << QStringLiteral("Label1") << QStringLiteral("HEX:");
    QTest::newRow("Label2") << QStringLiteral("Label2") << QStringLiteral("TEXT:");
    QTest::newRow("Label3") << QStringLiteral("Label3") << QStringLiteral("Response:");
}

void tst_Window::captions()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);
    QObject *object = find<QObject>(control);
    QVERIFY(object);
    QCOMPARE(object->property("text").toString(), caption);
}

void tst_Window::startsEmptyClosedOnPortOne()
{
    const auto fields = m_window->findChildren<QLineEdit *>();
    QCOMPARE(fields.size(), 14);
    for (const QLineEdit *field : fields) {
        QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
        QVERIFY(!field->isReadOnly());
    }
    QVERIFY(m_comm->writes.isEmpty()); // start-up opens nothing
    QCOMPARE(find<QLabel>(QStringLiteral("StatusBar1Panel1"))->text(), QStringLiteral("Disconnected"));
    QCOMPARE(find<QLabel>(QStringLiteral("StatusBar1Panel2"))->text(), QStringLiteral("COM1:9600 8N1"));
}

void tst_Window::fieldsTakeTextOfAnyLength_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("txtHEX0") << QStringLiteral("txtHEX0");
    QTest::newRow("txtHEX11") << QStringLiteral("txtHEX11");
    QTest::newRow("txtTextOut") << QStringLiteral("txtTextOut");
    QTest::newRow("txtResponse") << QStringLiteral("txtResponse");
}

void tst_Window::fieldsTakeTextOfAnyLength()
{
    QFETCH(QString, field);
    auto *edit = find<QLineEdit>(field);
    QVERIFY(edit);
    const QString text(100000, u'7');
    edit->setText(text);
    QCOMPARE(edit->text().size(), text.size());
    // Typing past the end too.
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("ab"));
    QCOMPARE(edit->text().size(), text.size() + 2);
}

void tst_Window::tabVisitsControlsInDesignedOrder()
{
    QStringList order;
    for (int i = 0; i < 12; ++i)
        order << name("txtHEX", i);
    order << QStringLiteral("btnSend0") << QStringLiteral("txtTextOut") << QStringLiteral("btnSend1")
          << QStringLiteral("txtResponse") << QStringLiteral("btnClear0") << QStringLiteral("btnClear1")
          << QStringLiteral("btnClear2") << QStringLiteral("txtHEX0");
    find<QWidget>(order.first())->setFocus();
    QCOMPARE(QApplication::focusWidget()->objectName(), order.first());
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), order.at(i));
    }
}

void tst_Window::enterAndEscapeTriggerNothing()
{
    m_comm->open = true;
    auto *field = find<QLineEdit>(QStringLiteral("txtHEX0"));
    field->setText(QStringLiteral("41"));
    find<QLineEdit>(QStringLiteral("txtTextOut"))->setText(QStringLiteral("AT"));
    for (QWidget *focus : {static_cast<QWidget *>(field), find<QWidget>(QStringLiteral("txtTextOut"))}) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Return);
        QTest::keyClick(focus, Qt::Key_Escape);
    }
    QVERIFY(m_comm->writes.isEmpty());
    for (const QPushButton *button : m_window->findChildren<QPushButton *>())
        QVERIFY(!button->isDefault() && !button->autoDefault());
}

void tst_Window::menusAsDrawn()
{
    const QList<QAction *> bar = m_window->menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar.at(0)->text(), QStringLiteral("&Settings"));
    QCOMPARE(bar.at(1)->text(), QStringLiteral("&Connect"));
    QVERIFY(!bar.at(1)->menu()); // a command, not a menu
    const QList<QAction *> settings = bar.at(0)->menu()->actions();
    QCOMPARE(settings.size(), 2);
    QCOMPARE(settings.at(0)->text(), QStringLiteral("&Port"));
    QCOMPARE(settings.at(1)->text(), QStringLiteral("&Speed"));
    const QList<QAction *> ports = settings.at(0)->menu()->actions();
    QCOMPARE(ports.size(), 4);
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(ports.at(n - 1)->text(), QStringLiteral("Com &%1").arg(n));
        QCOMPARE(ports.at(n - 1)->objectName(), name("mnuCom", n));
        QCOMPARE(ports.at(n - 1)->isChecked(), n == 1);
        QVERIFY(ports.at(n - 1)->shortcut().isEmpty());
    }
    const QList<QAction *> speeds = settings.at(1)->menu()->actions();
    QCOMPARE(speeds.size(), 3);
    const QStringList captions{QStringLiteral("&1200"), QStringLiteral("&2400"), QStringLiteral("&9600")};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(speeds.at(i)->text(), captions.at(i));
        QCOMPARE(speeds.at(i)->isChecked(), i == 2);
    }
}

void tst_Window::speedCannotBeOpened()
{
    QAction *speed = m_window->findChild<QAction *>(QStringLiteral("mnuSpeed"));
    QVERIFY(speed);
    QVERIFY(!speed->isEnabled());
}

void tst_Window::accessKeysChoosePortAndConnect()
{
    // Alt+S opens Settings, P the Port submenu, 2 chooses Com 2.
    QTest::keyClick(m_window, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_P);
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget())->title() == QStringLiteral("&Port"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_2);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(m_comm->writes, QStringList{QStringLiteral("CommPort=2")});
    QVERIFY(m_window->findChild<QAction *>(QStringLiteral("mnuCom2"))->isChecked());
    QVERIFY(!m_window->findChild<QAction *>(QStringLiteral("mnuCom1"))->isChecked());

    // Alt+C connects.
    QTest::keyClick(m_window, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(m_comm->open);
    QCOMPARE(m_window->findChild<QAction *>(QStringLiteral("mnuConnect"))->text(),
             QStringLiteral("Dis&connect"));
}

void tst_Window::everyControlHasASpokenName()
{
    QMap<QString, QString> spoken; // object name -> accessible name, as the tree reports them
    QList<QAccessibleInterface *> pending{QAccessible::queryAccessibleInterface(m_window)};
    while (!pending.isEmpty()) {
        QAccessibleInterface *node = pending.takeFirst();
        QVERIFY(node && node->isValid());
        if (node->object() &&
            (node->role() == QAccessible::EditableText || node->role() == QAccessible::Button))
            spoken.insert(node->object()->objectName(), node->text(QAccessible::Name));
        for (int i = 0; i < node->childCount(); ++i)
            pending.append(node->child(i));
    }
    QMap<QString, QString> expected;
    for (int i = 0; i < 12; ++i)
        expected.insert(name("txtHEX", i), QStringLiteral("Hex byte %1").arg(i + 1));
    expected.insert(QStringLiteral("txtTextOut"), QStringLiteral("Text to send"));
    expected.insert(QStringLiteral("txtResponse"), QStringLiteral("Received bytes"));
    expected.insert(QStringLiteral("btnSend0"), QStringLiteral("Send hex bytes"));
    expected.insert(QStringLiteral("btnSend1"), QStringLiteral("Send text"));
    expected.insert(QStringLiteral("btnClear0"), QStringLiteral("Clear hex bytes"));
    expected.insert(QStringLiteral("btnClear1"), QStringLiteral("Clear text"));
    expected.insert(QStringLiteral("btnClear2"), QStringLiteral("Clear received bytes"));
    QCOMPARE(spoken, expected);
}

void tst_Window::spaceOnAFocusedButtonPressesIt()
{
    m_comm->open = true;
    find<QLineEdit>(QStringLiteral("txtTextOut"))->setText(QStringLiteral("AT"));
    auto *send = find<QPushButton>(QStringLiteral("btnSend1"));
    send->setFocus();
    QTest::keyClick(send, Qt::Key_Space);
    QCOMPARE(m_comm->writes, QStringList{QStringLiteral("Output=AT")});
    auto *clear = find<QPushButton>(QStringLiteral("btnClear1"));
    clear->setFocus();
    QTest::keyClick(clear, Qt::Key_Space);
    QCOMPARE(find<QLineEdit>(QStringLiteral("txtTextOut"))->text(), QString());
}

void tst_Window::carriesItsTitleVersionAndIcon()
{
    zem::initApplication();
    QCOMPARE(QApplication::applicationName(), QStringLiteral("ZEM"));
    QCOMPARE(QApplication::applicationVersion(), QStringLiteral("0.00.0009"));
    QVERIFY(!QApplication::windowIcon().pixmap(32).isNull());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Quorvane ZEM Control"));
}

void tst_Window::closingWithPortClosedWritesNothing()
{
    QVERIFY(m_window->close());
    QVERIFY(m_comm->writes.isEmpty());
}

void tst_Window::closingWithPortOpenClosesIt()
{
    m_comm->open = true;
    QVERIFY(m_window->close());
    QCOMPARE(m_comm->writes, QStringList{QStringLiteral("PortOpen=0")});
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
