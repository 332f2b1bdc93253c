#include "frmmain.h"
#include "messagecatcher.h"
#include "recordingcomm.h"
#include "zemfixture.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QtTest>

namespace {

QString bytesText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

// The window over a component that records each write, with the port open or closed.
struct RecordingWindow
{
    explicit RecordingWindow(bool open)
        : comm(new RecordingComm)
        , window(comm)
    {
        comm->open = open;
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    QLineEdit *field(const QString &name) const { return window.findChild<QLineEdit *>(name); }
    QLineEdit *txtHEX(int i) const { return field(QStringLiteral("txtHEX%1").arg(i)); }
    void click(const QString &name) const { window.findChild<QPushButton *>(name)->click(); }
    QStringList allTexts() const
    {
        QStringList texts;
        for (const QLineEdit *edit : window.findChildren<QLineEdit *>())
            texts.append(edit->text());
        return texts;
    }

    RecordingComm *comm;
    zem::frmMain window;
    MessageCatcher messages;
};

} // namespace

class tst_Panel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hexRowWritesOneByteForEachFilledField();
    void hexBytesReachTheDevice_data();
    void hexBytesReachTheDevice();
    void textGoesOutUnchanged();
    void aBadHexEntrySendsNothing_data();
    void aBadHexEntrySendsNothing();
    void aCharacterAboveByteRangeSendsNothing();
    void aClosedPortWritesNothing();
    void clearEmptiesItsOwnRowOnly_data();
    void clearEmptiesItsOwnRowOnly();
    void aMebibyteOfTextGoesOutWhole();
    void receivedBytesShowNewestFirst();
    void anEventWithNothingWaitingChangesNothing();
};

void tst_Panel::hexRowWritesOneByteForEachFilledField()
{
    RecordingWindow zem(true);
    zem.txtHEX(0)->setText(QStringLiteral("01"));
    zem.txtHEX(3)->setText(QStringLiteral("7f"));
    zem.txtHEX(11)->setText(QStringLiteral("FF"));
    zem.click(QStringLiteral("btnSend0"));
    QCOMPARE(zem.comm->writes, (QStringList{QStringLiteral("Output=\u0001"), QStringLiteral("Output=\u007F"),
                                            QStringLiteral("Output=\u00FF")}));
    QCOMPARE(zem.txtHEX(3)->text(), QStringLiteral("7f")); // sending changes no field

    zem.comm->writes.clear();
    zem.click(QStringLiteral("btnClear0"));
    zem.click(QStringLiteral("btnSend0"));
    QVERIFY(zem.comm->writes.isEmpty()); // twelve empty fields send nothing
    QVERIFY(zem.messages.seen.isEmpty());
}

void tst_Panel::hexBytesReachTheDevice_data()
{
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<QByteArray>("bytes");
    QStringList row(12);
    row[0] = QStringLiteral("01");
    row[3] = QStringLiteral("7f");
    row[11] = QStringLiteral("FF");
    QTest::newRow("01 7f FF") << row << QByteArray("\x01\x7F\xFF");
    QStringList five(12);
    five[6] = QStringLiteral("5");
    QTest::newRow("5 is 0x55") << five << QByteArray("\x55");
    QStringList full;
    QByteArray all;
    for (int i = 0; i < 12; ++i) {
        full << QStringLiteral("%1").arg(i * 23, 2, 16, QLatin1Char('0'));
        all.append(static_cast<char>(i * 23));
    }
    QTest::newRow("all twelve, NUL first") << full << all;
}

void tst_Panel::hexBytesReachTheDevice()
{
    QFETCH(QStringList, row);
    QFETCH(QByteArray, bytes);
    ZemFixture zem;
    PtyDevice *device = zem.plug(1);
    zem.mnuConnect()->trigger();
    for (int i = 0; i < 12; ++i)
        zem.txtHEX(i)->setText(row.at(i));
    zem.button(QStringLiteral("btnSend0"))->click();
    QVERIFY(device->waitForReceived(bytes.size()));
    zem.messages.settle(50);
    QCOMPARE(device->received(), bytes);
}

void tst_Panel::textGoesOutUnchanged()
{
    ZemFixture zem;
    PtyDevice *device = zem.plug(1);
    zem.mnuConnect()->trigger();
    zem.field(QStringLiteral("txtTextOut"))->setText(QStringLiteral("AT"));
    zem.button(QStringLiteral("btnSend1"))->click();
    QVERIFY(device->waitForReceived(2));
    zem.messages.settle(50);
    QCOMPARE(device->received(), QByteArray("AT")); // nothing added
    QCOMPARE(zem.field(QStringLiteral("txtTextOut"))->text(), QStringLiteral("AT"));

    device->clearReceived();
    const QString latin1 = QStringLiteral("\u00FF\u0000\u00E9\r\n");
    zem.field(QStringLiteral("txtTextOut"))->setText(latin1);
    zem.button(QStringLiteral("btnSend1"))->click();
    QVERIFY(device->waitForReceived(latin1.size()));
    QCOMPARE(device->received(), QByteArray("\xFF\x00\xE9\r\n", 5));
}

void tst_Panel::aBadHexEntrySendsNothing_data()
{
    QTest::addColumn<int>("bad");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("open");
    QTest::newRow("first, 1G") << 0 << QStringLiteral("1G") << true;
    QTest::newRow("middle, 0x1b") << 5 << QStringLiteral("0x1b") << true;
    QTest::newRow("last, trailing space") << 11 << QStringLiteral("5 ") << true;
    QTest::newRow("port closed") << 7 << QStringLiteral("G1") << false;
}

void tst_Panel::aBadHexEntrySendsNothing()
{
    QFETCH(int, bad);
    QFETCH(QString, entry);
    QFETCH(bool, open);
    RecordingWindow zem(open);
    for (int i = 0; i < 12; ++i)
        zem.txtHEX(i)->setText(QStringLiteral("%1").arg(i + 16, 2, 16));
    zem.txtHEX(bad)->setText(entry);
    if (bad < 11)
        zem.txtHEX(11)->setText(QStringLiteral("zz")); // a later bad field is not named
    zem.field(QStringLiteral("txtTextOut"))->setText(QStringLiteral("text"));
    const QStringList before = zem.allTexts();

    zem.click(QStringLiteral("btnSend0"));
    QVERIFY(zem.comm->writes.isEmpty());
    QCOMPARE(zem.allTexts(), before);
    QCOMPARE(zem.messages.seen.size(), 1);
    const MessageCatcher::Seen box = zem.messages.seen.first();
    QCOMPARE(box.title, QStringLiteral("ZEM"));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(box.modal);
    QVERIFY2(box.text.contains(QStringLiteral("Hex byte %1 ").arg(bad + 1)), qPrintable(box.text));
    QVERIFY2(box.text.contains(QLatin1Char('"') + entry + QLatin1Char('"')), qPrintable(box.text));
    // The operator lands on the field to mend it.
    QCOMPARE(zem.window.focusWidget(), zem.txtHEX(bad));
    QCOMPARE(zem.txtHEX(bad)->selectedText(), entry);
}

void tst_Panel::aCharacterAboveByteRangeSendsNothing()
{
    RecordingWindow zem(true);
    zem.field(QStringLiteral("txtTextOut"))->setText(QStringLiteral("ab\u20ACcd"));
    zem.click(QStringLiteral("btnSend1"));
    QVERIFY(zem.comm->writes.isEmpty());
    QCOMPARE(zem.messages.seen.size(), 1);
    QCOMPARE(zem.messages.seen.first().title, QStringLiteral("ZEM"));
    QVERIFY(zem.messages.seen.first().text.contains(QStringLiteral("\"\u20AC\" (U+20AC) at position 3")));
}

void tst_Panel::aClosedPortWritesNothing()
{
    RecordingWindow zem(false);
    zem.txtHEX(0)->setText(QStringLiteral("41"));
    zem.field(QStringLiteral("txtTextOut"))->setText(QStringLiteral("AT"));
    zem.click(QStringLiteral("btnSend0"));
    zem.click(QStringLiteral("btnSend1"));
    QVERIFY(zem.comm->writes.isEmpty());
    QVERIFY(zem.messages.seen.isEmpty()); // nothing shown either

    // And at a real device: after Disconnect nothing more arrives.
    ZemFixture real;
    PtyDevice *device = real.plug(1);
    real.mnuConnect()->trigger();
    real.mnuConnect()->trigger();
    real.txtHEX(0)->setText(QStringLiteral("41"));
    real.button(QStringLiteral("btnSend0"))->click();
    real.messages.settle(100);
    QVERIFY(device->received().isEmpty());
}

void tst_Panel::clearEmptiesItsOwnRowOnly_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("HEX") << 0;
    QTest::newRow("TEXT") << 1;
    QTest::newRow("Response") << 2;
}

void tst_Panel::clearEmptiesItsOwnRowOnly()
{
    QFETCH(int, index);
    RecordingWindow zem(true);
    for (QLineEdit *edit : zem.window.findChildren<QLineEdit *>())
        edit->setText(QStringLiteral("12"));
    zem.click(QStringLiteral("btnClear%1").arg(index));
    for (const QLineEdit *edit : zem.window.findChildren<QLineEdit *>()) {
        const QString name = edit->objectName();
        const bool inRow = index == 0   ? name.startsWith(QStringLiteral("txtHEX"))
                           : index == 1 ? name == QStringLiteral("txtTextOut")
                                        : name == QStringLiteral("txtResponse");
        QCOMPARE(edit->text(), inRow ? QString() : QStringLiteral("12"));
    }
    QVERIFY(zem.comm->writes.isEmpty()); // clearing never touches the port
}

void tst_Panel::aMebibyteOfTextGoesOutWhole()
{
    ZemFixture zem;
    PtyDevice *device = zem.plug(1);
    zem.mnuConnect()->trigger();
    QByteArray bytes(1 << 20, '\0');
    QRandomGenerator random(9);
    for (char &b : bytes)
        b = static_cast<char>(random.bounded(256));
    zem.field(QStringLiteral("txtTextOut"))->setText(bytesText(bytes));
    zem.button(QStringLiteral("btnSend1"))->click();
    QVERIFY(device->waitForReceived(bytes.size(), 60000));
    QVERIFY(device->received() == bytes);
}

void tst_Panel::receivedBytesShowNewestFirst()
{
    ZemFixture zem;
    PtyDevice *device = zem.plug(1);
    zem.mnuConnect()->trigger();
    QLineEdit *response = zem.field(QStringLiteral("txtResponse"));
    device->write(QByteArray("\x48\x69\x0D"));
    QTRY_COMPARE(response->text(), QStringLiteral("13 105 72 "));
    device->write(QByteArray("\x06"));
    QTRY_COMPARE(response->text(), QStringLiteral("6 13 105 72 "));
    device->write(QByteArray("\xFF\x00", 2));
    QTRY_COMPARE(response->text(), QStringLiteral("0 255 6 13 105 72 "));
    QCOMPARE(response->cursorPosition(), 0); // the newest bytes are in view
}

void tst_Panel::anEventWithNothingWaitingChangesNothing()
{
    RecordingWindow zem(true);
    QLineEdit *response = zem.field(QStringLiteral("txtResponse"));
    response->setText(QStringLiteral("1 2 "));
    response->setCursorPosition(2);
    Q_EMIT zem.comm->OnComm();
    QCOMPARE(response->text(), QStringLiteral("1 2 "));
    QCOMPARE(response->cursorPosition(), 2);
}

QTEST_MAIN(tst_Panel)
#include "tst_panel.moc"
