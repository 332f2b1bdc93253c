// ZEM against few-line models of its rules, then as the operator meets it: the pure pieces with a named
// row for every byte value (the Response text is also held to its model by the fuzzer,
// fuzz/fuzz_codecs.cpp, through small bounds), then the operator's stories against the whole program
// and pseudo-terminal devices: the window as it opens at the operator's font, connecting, sending and
// receiving, failures, and closing.
#include "oncommpacer.h"
#include "portmap.h"
#include "recording.h"
#include "sendcheck.h"
#include "twips.h"
#include "zemtest.h"

#ifdef Q_OS_UNIX // the record's stories: pipes, descriptors, the file size limit
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace zem;

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
// screen reader says, its caption or empty text and the other texts it shows; in tab order, the first
// again to close the circle, then the controls Tab passes by.
QStringList drawn()
{
    const QString first = u"txtHEX0 960 120 375 285 Hex byte 1|"_s;
    QStringList rows{first};
    for (int i = 1; i < 12; ++i)
        rows << u"txtHEX%1 %2 120 375 285 Hex byte %3|"_s.arg(i).arg(960 + 480 * i).arg(i + 1);
    // clang-format off
    rows << u"btnSend0 6720 120 615 285 Send hex bytes|Send"_s << u"txtTextOut 960 480 5655 285 TEXT|"_s << u"btnSend1 6720 480 615 285 Send text|Send"_s
         << u"txtResponse 960 840 5655 285 Response|"_s << u"btnClear0 7440 120 615 285 Clear hex bytes|Clear"_s << u"btnClear1 7440 480 615 285 Clear text|Clear"_s
         << u"btnClear2 7440 840 615 285 Clear received bytes|Clear"_s << first << u"Label1 120 120 615 255 |HEX:"_s << u"Label2 120 480 615 255 |TEXT:"_s
         << u"Label3 120 840 855 255 |Response:"_s << u"StatusBar1 0 1125 8205 255 |"_s << u"StatusBar1Panel1 0 1125 1440 255 |Disconnected|Connected|Disconnecting"_s
         << u"StatusBar1Panel2 1440 1125 1440 255 |COM1:9600 8N1|COM4:9600 8N1"_s
         << u"sending 2880 1125 4245 255 ||Sending: 1,048,576 bytes left, about 18:13|Sending: 1,048,576 bytes left, closing in 0:10"_s
         << u"recording 7125 1125 1080 255 ||Recording|Saving"_s;
    // clang-format on
    return rows;
}

// Every byte value, in every order.
QByteArray allBytes(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 256);
    return bytes;
}

// Whether the operator was told one message, `told`, where * stands for any text.
bool toldOnce(const QStringList &messages, const QString &told)
{
    const QString pattern = QRegularExpression::escape(told).replace(u"\\*"_s, u".*"_s);
    const QRegularExpression whole(QRegularExpression::anchoredPattern(pattern),
                                   QRegularExpression::DotMatchesEverythingOption);
    return messages.size() == 1 && whole.match(messages[0]).hasMatch();
}

// The sending count's time is the line's time for what is left, or less while a close will give up sooner,
// and never longer than the close, if one runs, can take (what shows is at most a refresh old).
bool tellsTheTime(const QString &text, qint64 closeLeftMs)
{
    const QRegularExpressionMatch m =
        QRegularExpression(u"^Sending: ([0-9,]+) bytes? left, (about|closing in) ([0-9]+):([0-5][0-9])$"_s)
            .match(text);
    const qint64 lineSeconds = (m.captured(1).remove(u',').toLongLong() + 959) / 960,
                 seconds = m.captured(3).toLongLong() * 60 + m.captured(4).toLongLong();
    return m.hasMatch() && (m.captured(2) == "about"_L1 ? seconds == lineSeconds : seconds <= lineSeconds) &&
           (closeLeftMs < 0 ? m.captured(2) == "about"_L1 : seconds <= (closeLeftMs + 999) / 1000 + 1);
}

} // namespace

class tst_Zem : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyCharacter_data()
    {
        QTest::addColumn<QString>("c");
        for (char16_t code = 0; code < 0x100; ++code)
            QTest::addRow("byte %d", int(code)) << QString(QChar(code));
        QTest::newRow("full-width 5") << u"\uFF15"_s;
        QTest::newRow("mathematical 1, a surrogate pair") << u"\U0001D7D9"_s;
    }

    void everyCharacter()
    {
        // As a hex entry alone (both digits), at either end of a longer entry (only the ends count), and
        // as a received byte.
        QFETCH(QString, c);
        const int digit = hexDigit(c.front());
        QCOMPARE(int(HexChar(c)), c.size() == 1 ? digit : -1);
        QCOMPARE(isHexEntry(QString(c + c)), digit >= 0);
        // The first character that is no byte (the stories see one named in its message).
        QCOMPARE(firstWideChar(QString(u"ab"_s + c)).position, c.front().unicode() < 0x100 ? 0 : 3);
        // As received bytes: alone, and in front of a field at a bound that ends inside a number.
        const QString bytes = c.front().unicode() < 0x100 ? c : QString();
        QVERIFY(codecsHold(c, bytes, 8) && codecsHold(c + u"zF"_s, bytes, 8) &&
                codecsHold(u"1z"_s + c, bytes, 8) && codecsHold(u"1 22 333 "_s, bytes, 8) &&
                receivedText(bytes) == responseModel(bytes, {}, 8));
    }

    void theJournalKeepsWithinItsBound()
    {
        // Entries of every size against a few-line model: an entry costs its bytes and a fixed share, the
        // oldest go first while the cost is over the bound (one always stays), bytes received close
        // together join one entry, and the session's bytes are counted across what went.
        Journal journal(4000);
        std::deque<JournalEntry> model;
        qint64 first = 0, cost = 0, before = 0;
        const auto costOf = [](const JournalEntry &e) {
            return Journal::EntryCost + e.bytes.size() +
                   (e.words.isEmpty() ? 0 : qint64(sizeof(QString)) + 2 * e.words.size());
        };
        const auto fields = [](const JournalEntry &e) {
            return std::tuple(e.kind, e.port, e.bytes, e.words);
        };
        for (int i = 1; i < 400; ++i) {
            const QByteArray bytes = allBytes(i % 50 ? i % 97 + 13 : 4500).mid(i % 13);
            const auto kind = JournalEntry::Kind(i % 5 == 0 ? '*' : i % 2 ? '>' : '<');
            const QString words =
                kind == JournalEntry::Event ? QString::fromLatin1(bytes.left(40)) : QString();
            model.push_back({0, kind, i % 4, words.isEmpty() ? bytes : QByteArray(), words});
            words.isEmpty() ? journal.add(kind, i % 4, bytes) : journal.addEvent(i % 4, words);
            if (i % 4 == 2 && kind == JournalEntry::Received) // bytes that follow closely
                journal.add(kind, i % 4, "ab"), model.back().bytes += "ab";
            journal.settle();
            for (cost += costOf(model.back()); cost > 4000 && model.size() > 1; ++first, model.pop_front())
                cost -= costOf(model.front()), before += model.front().bytes.size();
            QVERIFY(journal.begin() == first && journal.end() == first + qint64(model.size()) &&
                    journal.cost() == cost && journal.bytesBefore(first) == before);
            QVERIFY(fields(journal.entry(first)) == fields(model.front()) &&
                    fields(journal.entry(journal.end() - 1)) == fields(model.back()));
        }
    }

    void receivingAndSendingKeepTheirTime()
    {
        // Ten seconds of a byte every millisecond, each OnComm handler costing `cost` milliseconds:
        // under half a second behind, and 5% of the time with painting (as much again) while handlers
        // are cheap, never half of it however slow they are; a lone byte after quiet goes at once.
        for (const qint64 cost : {0, 1, 4, 10, 40, 300}) {
            OnCommPacer pacer;
            qint64 due = -1, oldest = 0, busy = 0, lag = 0;
            for (qint64 now = 0; now < 10000; ++now) {
                if (due >= 0 && now >= due) {
                    pacer.handled(now, now + cost);
                    busy += cost, lag = std::max(lag, now + cost - oldest), now += cost, due = -1;
                }
                if (const qint64 wait = pacer.arrived(now); due < 0)
                    due = now + wait, oldest = now;
            }
            QVERIFY2((lag <= 450 || cost > 40) && (cost > 10 || 2 * busy <= 500) && 2 * busy < 10000,
                     qPrintable(u"%1 %2"_s.arg(lag).arg(busy)));
            QCOMPARE(pacer.arrived(10000 + OnCommPacer::QuietMs + cost), 0);
        }
    }

    void comNumbersGoToTheSystemsPorts_data()
    {
        // "ttyS1>ttyUSB1" is a link at /dev/ttyS1 to /dev/ttyUSB1. A stock PC has /dev/ttyS0-3 as nodes
        // that answer nothing: the system lists none of them, and no link can take their names.
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("com"); // what Com 1 to 4 open, and why
        // clang-format off
        QTest::newRow("one adapter") << u"ttyUSB0"_s << u"ttyUSB0 free,,,"_s;
        QTest::newRow("built-in and adapters") << u"ttyACM0 ttyUSB1 ttyS0 ttyUSB0"_s << u"ttyS0 built-in,ttyUSB0 free,ttyUSB1 free,ttyACM0 free"_s;
        QTest::newRow("a ttyS link pins Com 2") << u"ttyUSB0 ttyUSB1 ttyS1>ttyUSB1"_s << u"ttyUSB0 free,ttyS1 pinned,,"_s;
        QTest::newRow("stock PC, two adapters pinned crosswise") << u"ttyUSB0 ttyUSB1 zem-com1>ttyUSB1 zem-com2>ttyUSB0"_s << u"zem-com1 pinned,zem-com2 pinned,,"_s;
        QTest::newRow("a pin to Com 3 leaves the rest in order") << u"ttyUSB0 ttyUSB1 ttyUSB2 zem-com3>ttyUSB0"_s << u"ttyUSB1 free,ttyUSB2 free,zem-com3 pinned,"_s;
        QTest::newRow("a pin takes a built-in port to another number") << u"ttyS0 ttyUSB0 zem-com2>ttyS0"_s << u"ttyUSB0 free,zem-com2 pinned,,"_s;
        QTest::newRow("more than four") << u"rfcomm0 ttyUSB10 ttyACM1 ttyUSB2 ttyS4"_s << u"ttyUSB2 free,ttyUSB10 free,ttyACM1 free,rfcomm0 free"_s;
        QTest::newRow("none") << QString() << u",,,"_s;
        // The guest of the real-line stage, as its kernel gives it: ttyS0-2 are UARTs, and ttyS3 a node
        // with nothing behind it.
        QTest::newRow("the kernel's") << u"kernel"_s << u"ttyS0 built-in,ttyS1 built-in,ttyS2 built-in,ttyUSB0 free"_s;
        QTest::newRow("the kernel's, one pinned") << u"kernel zem-com4>ttyUSB1"_s << u"ttyS0 built-in,ttyS1 built-in,ttyS2 built-in,zem-com4 pinned"_s;
        // clang-format on
    }

    void comNumbersGoToTheSystemsPorts()
    {
        QFETCH(QString, system);
        QFETCH(QString, com);
        const bool kernel = system.startsWith("kernel"_L1);
        if (kernel && qEnvironmentVariableIsEmpty("ZEM_NO_UART"))
            QSKIP("a port map of the real-line stage's guest");
        SystemPorts ports;
        for (const QString &port : system.split(u' ', Qt::SkipEmptyParts).mid(kernel)) {
            const QString link = "/dev/"_L1 + port.section(u'>', 0, 0), target = port.section(u'>', 1);
            if (!port.contains(u'>'))
                ports.listed.append({link, "UART "_L1 + port, u"Maker"_s, {}, ComReason::Free});
            else if (!kernel || (QFile::remove(link), QFile::link(target, link))) // as a udev rule would
                ports.links.insert(link, "/dev/"_L1 + target);
        }
        // What each Com opens, and why, as the Port menu's tip says it.
        const ComMap map = kernel ? systemComMap() : assignComPorts(ports);
        QStringList opened;
        for (int n = 1; n <= 4; ++n) {
            const QString tip = map[size_t(n - 1)].path.isEmpty() ? QString() : describeComPort(n, map),
                          path = tip.section(u',', 0, 0).section(u' ', 0, 0),
                          device = ports.links.value(path, path).mid(5);
            QVERIFY2(tip.isEmpty() || kernel || tip.contains(" - UART "_L1 + device + " (Maker), "_L1),
                     qPrintable(tip));
            opened += path.mid(5) + tip.section(u',', -1)
                                        .replace(u" pinned to this number by its link"_s, u" pinned"_s)
                                        .replace(u" the built-in port of this number"_s, u" built-in"_s)
                                        .replace(u" the next serial port left free"_s, u" free"_s);
        }
        QCOMPARE(opened.join(u','), com);
    }

    void opensAsDrawn_data()
    {
        QTest::addColumn<qreal>("points");
        for (const qreal points : {6.0, 9.0, 10.0, 12.0, 14.0, 20.0})
            QTest::addRow("%g pt", points) << points;
    }

    void opensAsDrawn()
    {
        // The desktop's font at this size (the logical DPI comes from QT_SCALE_FACTOR).
        QFETCH(qreal, points);
        QFont desktop = QApplication::font();
        desktop.setPointSizeF(points);
        QApplication::setFont(desktop);
        Zem zem;
        frmMain &window = *zem.window;
        const QString about = window.windowTitle() + u", "_s + QApplication::applicationName() + u' ' +
                              QApplication::applicationVersion() + u": "_s +
                              describe(window.menuBar()->actions());
        // clang-format off
        QCOMPARE(about, u"Quorvane ZEM Control, ZEM 0.00.0009: &Settings[&Port[Com &1*,Com &2,Com &3,Com &4],&Speed-[&1200,&2400,&9600*],&Record to File...],&Connect"_s);
        // clang-format on
        QVERIFY(!QApplication::windowIcon().isNull() && !zem.comm().PortOpen() && zem.showsTruth());

        // The window on the screen: where the font would need more room than the screen has (20 pt at a
        // scale of 2 or more), the layout as large as the screen allows and a smaller font.
        const QSize screen = window.screen()->availableGeometry().size(),
                    frame = window.frameGeometry().size();
        const qreal font = window.font().pointSizeF();
        QCOMPARE(frame.boundedTo(screen), frame);
        QVERIFY(font == points || (font < points && frame.width() > screen.width() * 0.95));
        if (points <= 6)
            QCOMPARE(window.size(), QSize(547, 92 + window.menuBar()->height()));

        // Tab visits the controls row by row, each telling a screen reader what it is; every length of
        // the layout grows by one factor where the font needs it, and only then. Each caption in every
        // form it takes, in the window's font, inside its control: a button's inside its bevel.
        zem.find("txtHEX0")->setFocus();
        const QPoint corner = window.centralWidget()->mapTo(&window, QPoint());
        for (const QString &row : drawn()) {
            const QStringList at = row.split(u' ');
            QWidget *widget = zem.find<QWidget>(at[0]);
            QCOMPARE(
                QRect(widget->mapTo(&window, QPoint()) - corner, widget->size()),
                Twips{window.layoutScale()}.rect(at[1].toInt(), at[2].toInt(), at[3].toInt(), at[4].toInt()));
            const bool stop = widget->focusPolicy() != Qt::NoFocus;
            const QString said =
                stop ? QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name) : QString();
            const QStringList texts = row.section(u' ', 5).split(u'|');
            QCOMPARE(said + u'|' + widget->property("text").toString(), texts[0] + u'|' + texts[1]);
            if (stop) {
                QCOMPARE(QApplication::focusWidget(), widget);
                QTest::keyClick(widget, Qt::Key_Tab);
            }
            QRect room = widget->contentsRect();
            if (auto *button = qobject_cast<QPushButton *>(widget)) {
                QStyleOptionButton option;
                option.initFrom(button);
                room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            }
            const QFontMetricsF metrics(widget->font());
            QCOMPARE(widget->font().pointSizeF(), font);
            for (const QString &text : texts.mid(1))
                QVERIFY2(metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height(),
                         qPrintable(at[0] + u' ' + text));
        }

        // The Port menu's tips show what a device is called as it is, markup and all; the checked Com
        // chosen again stays checked.
        zem.ports[1] = {u"/dev/<h1>PINNED TO ttyS0</h1>"_s, u"<img src=x>"_s, u"&lt;"_s, {}, ComReason::Free};
        zem.trigger("mnuCom2");
        Q_EMIT zem.find<QAction>("mnuPort")->menu()->aboutToShow();
        QTextDocument shown, panel; // the status bar's too, as it is about to show
        shown.setHtml(zem.find<QAction>("mnuCom2")->toolTip());
        QHelpEvent tip(QEvent::ToolTip, {}, {});
        QApplication::sendEvent(zem.find<QLabel>("StatusBar1Panel2"), &tip);
        panel.setHtml(zem.find<QLabel>("StatusBar1Panel2")->toolTip());
        QCOMPARE(shown.toPlainText() + panel.toPlainText(), describeComPort(2, zem.ports).repeated(2));
        zem.trigger("mnuCom1"), zem.trigger("mnuCom1");
        QVERIFY(!zem.comm().PortOpen() && zem.showsTruth());
    }

    void fieldsRefuseWhatDoesNotFit_data()
    {
        // Each way text comes into a field: the keys, the context menu's Paste, a middle-click (the
        // desktop's selection, which the offscreen platform lacks: the field is told what it holds) and a
        // drop, each at the field's start.
        QTest::addColumn<QString>("way");
        for (const char *way : {"Ctrl+V", "Shift+Insert", "menu", "middle-click", "drop"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }

    void fieldsRefuseWhatDoesNotFit()
    {
        // In TEXT and in a hex field: text that exactly fills the field goes in whole, in place of a
        // selection too where the way replaces it; one character more, or 16 MiB, is refused whole and
        // told once, measured before the field takes it in (its own check never runs); Undo takes back
        // what went in. A full field takes no more typing, without a word.
        QFETCH(QString, way);
        Zem zem;
        // clang-format off
        const QString told = u"The field \"%1\" holds at most 16,384 characters, so the text was not added; the field keeps what it had."_s;
        // clang-format on
        QString offered;
        TextField::selection = [&] { return offered; };
        const auto offer = [&](TextField *field, const QString &text) {
            QGuiApplication::clipboard()->setText(offered = text);
            QMimeData dropped;
            dropped.setText(text);
            QDragEnterEvent enter(QPoint(1, 2), Qt::CopyAction, &dropped, Qt::LeftButton, {});
            QDropEvent drop(QPointF(1, 2), Qt::CopyAction, &dropped, Qt::LeftButton, {});
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(1, 2), field->mapToGlobal(QPoint(1, 2)));
            if (way.contains(u'+'))
                QTest::keySequence(field, QKeySequence(way));
            else if (way == "middle-click"_L1)
                QTest::mouseClick(field, Qt::MiddleButton, {}, QPoint(1, 2));
            else if (way == "drop"_L1)
                QApplication::sendEvent(field, &enter), QApplication::sendEvent(field, &drop);
            else if (QApplication::sendEvent(field, &click); auto *menu = field->findChild<QMenu *>()) {
                for (QAction *item : menu->actions())
                    if (item->text().endsWith("\tCtrl+V"_L1))
                        item->trigger();
                delete menu;
            }
        };
        const bool replaces = way != "drop"_L1 && way != "middle-click"_L1; // the selection
        const bool shows = way != "middle-click"_L1; // offscreen, a middle-click that fits puts nothing in
        for (const auto &[name, label] :
             {std::pair(u"txtTextOut"_s, u"TEXT"_s), {u"txtHEX2"_s, u"Hex byte 3"_s}}) {
            auto *field = zem.find<TextField>(name);
            const QSignalSpy rejected(field, &QLineEdit::inputRejected);
            const QString before = QString(TextField::Limit - 2, u'7');
            field->setText(before), field->setCursorPosition(0), offer(field, u"ab"_s);
            QCOMPARE(field->text(), shows ? QString(u"ab"_s + before) : before);
            field->setText(before + u"ab"_s), field->setSelection(0, 3), offer(field, u"xyz"_s);
            QCOMPARE(field->text(),
                     replaces ? QString(u"xyz"_s + before.mid(3) + u"ab"_s) : before + u"ab"_s);
            QTest::keySequence(field, QKeySequence::Undo);
            QCOMPARE(field->text(), before + u"ab"_s);
            field->setText(before), offer(field, u"abc"_s), offer(field, QString(16 << 20, u'h'));
            QVERIFY(field->text() == before && rejected.isEmpty());
            QTRY_COMPARE(zem.messages, QStringList(replaces ? 2 : 3, told.arg(label)));
            zem.messages.clear();
            field->end(false), QTest::keyClicks(field, u"xyz"_s), QTest::qWait(20);
            QVERIFY(field->text() == before + u"xy"_s && zem.messages.isEmpty());
        }
        TextField::selection = nullptr;
    }

    void connectSendAndReceive()
    {
        Zem zem;
        Device &device = *zem.connect(2);
        QVERIFY(zem.comm().PortOpen() && zem.comm().CommPort() == 2 && zem.showsTruth());
        // 9600 baud, 8N1, no flow control, bytes passed untouched, as the driver holds them (a
        // pseudo-terminal always says 8 data bits and no parity: the real-line stage sees the rest).
        QCOMPARE(device.settings(), u"9600 8N1"_s);

        // A byte for each filled hex field, in field order, one digit standing for both; the text as it is,
        // every byte value.
        const QStringList entries = u"01,,,7f,,,5,,,,,FF"_s.split(u',');
        for (int i = 0; i < 12; ++i)
            zem.type(u"txtHEX%1"_s.arg(i), entries[i]);
        zem.click("btnSend0");
        const QString text = QString::fromLatin1(allBytes(256));
        zem.type("txtTextOut", text), zem.click("btnSend1");
        QTRY_COMPARE(device.received, "\x01\x7F\x55\377" + allBytes(256));

        // Received bytes show as decimal numbers, newest first and in view.
        QLineEdit *response = zem.find("txtResponse");
        QString talk;
        const auto stream = [&](const QByteArray &bytes) {
            device.send(bytes), talk += QString::fromLatin1(bytes);
            QTRY_VERIFY(response->text().startsWith(receivedText(QString::fromLatin1(bytes))));
        };
        stream("\x48\x69\x0D"), stream(allBytes(400));
        QCOMPARE(response->cursorPosition(), 0);

        // While the device goes on, the operator types at the end of Response, then selects characters in
        // the middle of it, backwards: what they type goes where they typed it; the selection, the caret
        // at its start, stays on its characters and in view where they put it, the window active or not.
        // They select everything and delete it, bytes come, and Undo brings back what was deleted (and
        // takes away no received byte).
        response->setFocus();
        QTest::keyClick(response, Qt::Key_End);
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(response, Qt::Key_7), stream(allBytes(3));
        response->setCursorPosition(response->cursorPositionAt(response->rect().center()));
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(response, Qt::Key_Left, Qt::ShiftModifier);
        const QString picked = response->selectedText();
        const int start = response->selectionStart(), size = int(response->text().size());
        const auto caret = [response] {
            return response->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
        };
        const int x = caret();
        stream(allBytes(6)); // the view stays, to a character
        QTRY_VERIFY(qAbs(caret() - x) < response->fontMetrics().averageCharWidth());
        QWidget other;
        other.show(), QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!response->hasFocus());
        stream(allBytes(9));
        QVERIFY(response->selectedText() == picked &&
                response->cursorPosition() == response->selectionStart() &&
                response->selectionStart() - start == response->text().size() - size);
        QApplication::setActiveWindow(zem.window.get());
        QTest::keySequence(response, QKeySequence::SelectAll), QTest::keyClick(response, Qt::Key_Delete);
        stream(allBytes(7));
        QTest::keySequence(response, QKeySequence::Undo);
        QCOMPARE(response->text(), responseModel(talk, u"77"_s, TextField::Limit));

        // Each Clear empties its own row; sending changed none.
        zem.click("btnClear2");
        QVERIFY(response->text().isEmpty() && zem.find("txtHEX3")->text() == "7f"_L1);
        zem.click("btnClear0");
        QVERIFY(zem.find("txtHEX11")->text().isEmpty() && zem.find("txtTextOut")->text() == text);
        zem.click("btnClear1");
        QVERIFY(zem.find("txtTextOut")->text().isEmpty() && zem.messages.isEmpty());
    }

    void aRecordHoldsTheWholeSession_data()
    {
        // Where the record goes: a file, text or raw as its name says (a .bin with the text log chosen);
        // a named pipe that a program reads ("|"), that none reads ("|none"), whose reader goes away or
        // stops reading; a file deleted while recording, or at the system's limit on a file's size; a
        // folder that is not there. What is told may hold a * for any text.
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("told");
        const QString stopped =
            u"Recording to <path> stopped: %1. Nothing the line carried is lost: choose Record to File again to record the whole session to another file."_s;
        // clang-format off
        QTest::newRow("a text log") << u"a.log"_s << QString();
        QTest::newRow("raw, as its name says") << u"a.bin"_s << QString();
        QTest::newRow("a pipe") << u"|"_s << QString();
        QTest::newRow("a pipe nobody reads") << u"|none"_s << u"Cannot record to <path>: no program reads from that pipe."_s;
        QTest::newRow("a pipe whose reader goes away") << u"|gone"_s << stopped.arg(u"Broken pipe"_s);
        QTest::newRow("a pipe whose reader stops") << u"|stalled"_s << u"Recording to <path> was stopped, but its disk took nothing for 5 seconds: * bytes the line carried did not reach it."_s;
        QTest::newRow("a file deleted") << u"deleted"_s << stopped.arg(u"the file was deleted"_s);
        QTest::newRow("the size limit") << u"limit"_s << stopped.arg(u"File too large"_s);
        QTest::newRow("no such folder") << u"x/a.log"_s << u"Cannot record to */x/a.log: No such file or directory."_s;
        // clang-format on
    }

    void aRecordHoldsTheWholeSession()
    {
        // A record started after traffic holds the session from its start, both ways and the line's
        // events in order, each at the time it happened, a line holding at most 1,000 numbers; one
        // stopped as the program ends holds its last entry. Whatever keeps a file from taking the record
        // stops it with one message, holds up nothing else, and the next record holds everything again.
        QFETCH(QString, target);
        QFETCH(QString, told);
#ifndef Q_OS_UNIX
        QSKIP("a record's stories use pipes, descriptors and the file size limit, which are Linux's");
#else
        QTemporaryDir dir;
        const bool piped = target.startsWith(u'|');
        const QString log = piped ? u"pipe.log"_s : target.contains(u'.') ? target : u"c.log"_s;
        const QString path = dir.filePath(log);
        QFile reader; // a pipe's reading end
        if (piped && ::mkfifo(qPrintable(path), 0600) == 0 && target != "|none"_L1)
            reader.open(::open(qPrintable(path), O_RDONLY | O_NONBLOCK), QIODevice::ReadOnly,
                        QFile::AutoCloseHandle);
        if (target == "|stalled"_L1) // so that a few lines fill it; it is never read
            ::fcntl(reader.handle(), F_SETPIPE_SZ, 4096);
        QByteArray fromPipe;
        const auto file = [&](const QString &name) { // what a record holds so far
            QFile read(dir.filePath(name));
            fromPipe += reader.isOpen() && target != "|stalled"_L1 ? reader.readAll() : QByteArray();
            return name == "pipe.log"_L1 || !read.open(QIODevice::ReadOnly) ? fromPipe : read.readAll();
        };
        Zem zem;
        const auto record = [&](const QString &to) { // with the text log chosen
            zem.trigger("mnuRecord");
            auto *dialog = zem.standing<QFileDialog>();
            QVERIFY(dialog && dialog->selectedFiles().value(0).contains(
                                  QRegularExpression(u"/zem-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}\\.log$"_s)));
            dialog->setOption(QFileDialog::DontConfirmOverwrite); // a pipe is there before
            dialog->selectFile(to), static_cast<QDialog *>(dialog)->accept();
        };
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        zem.type("txtTextOut", u"AT"_s), zem.click("btnSend1");
        Device *device = zem.connect(2);
        zem.type("txtHEX0", u"1b"_s), zem.click("btnSend0"), zem.click("btnSend1");
        const QByteArray talk = allBytes(2400);
        rlimit was{};
        ::getrlimit(RLIMIT_FSIZE, &was);
        if (target == "limit"_L1) // nothing but the record writes a file meanwhile
            ::setrlimit(RLIMIT_FSIZE, std::array{rlimit{2000, was.rlim_max}}.data());
        for (const qsizetype half : {0, 1200}) { // the record starts between the halves
            device->send(talk.mid(half, 1200));
            QTRY_COMPARE(zem.find("txtResponse")->text().count(u' '), half + 1200);
            if (half == 0)
                record(path);
            QTRY_VERIFY(!file(log).isEmpty() || !zem.messages.isEmpty() || target == "|stalled"_L1);
            if (target == "|gone"_L1)
                reader.close();
            if (target == "deleted"_L1)
                QFile::remove(path);
        }
        QTRY_VERIFY(target != "limit"_L1 || !zem.messages.isEmpty());
        ::setrlimit(RLIMIT_FSIZE, &was);
        zem.trigger("mnuConnect");
        const qint64 end = QDateTime::currentMSecsSinceEpoch();
        // The record as the session went: local times with their offset, as things happened; the bytes
        // received, under their Com; the lines besides them.
        const QStringList besides{u"Com 1 * A Send of 2 bytes wrote nothing: no port was open."_s,
                                  u"Com 2 * Connected to %1."_s.arg(device->path), u"Com 2 > 27"_s,
                                  u"Com 2 > 65 84"_s, u"Com 2 * Disconnected."_s};
        const QRegularExpression stamp(
            u"^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}\\.[0-9]{3}[+-][0-9]{2}:[0-9]{2}$"_s);
        const auto holdsTheSession = [&](const QString &name) {
            const QByteArray text = file(name);
            if (name.endsWith(".bin"_L1) || !text.endsWith('\n'))
                return text == talk;
            QStringList lines;
            QByteArray received;
            qint64 last = start - 2, longest = 0; // a clock read to the millisecond
            for (const QByteArray &line : text.chopped(1).split('\n')) {
                const QStringList at = QString::fromUtf8(line).split(u' ');
                const qint64 time = QDateTime::fromString(at[0], Qt::ISODateWithMs).toMSecsSinceEpoch();
                if (!stamp.match(at[0]).hasMatch() || time < last || time > end)
                    return false;
                last = time;
                if (at[3] != "<"_L1 || at[2] != "2"_L1)
                    lines += at.mid(1).join(u' ');
                for (const QString &number : at.mid(4))
                    received += at[3] == "<"_L1 ? QByteArray(1, char(number.toInt())) : QByteArray();
                longest = std::max(longest, at[3] == "<"_L1 ? at.size() - 4 : 0);
            }
            return received == talk && longest == 1000 && lines == besides;
        };
        if (told.isEmpty()) { // stopped, and the program ended at once
            zem.trigger("mnuRecord"), zem.window->close();
            QTRY_VERIFY(!zem.window->isVisible() && holdsTheSession(log));
            reader.close();
            QStringList open; // the file closed as well
            for (const QFileInfo &fd :
                 QDir(u"/proc/self/fd"_s).entryInfoList(QDir::System | QDir::AllEntries))
                open += fd.symLinkTarget();
            QVERIFY(zem.messages.isEmpty() && !open.contains(path));
            return;
        }
        if (zem.find<QAction>("mnuRecord")->isChecked())
            zem.trigger("mnuRecord");
        record(dir.filePath(u"all.log"_s)); // at once, whatever the file before does
        QTRY_VERIFY(holdsTheSession(u"all.log"_s));
        QTRY_VERIFY2_WITH_TIMEOUT(toldOnce(zem.messages, told.replace(u"<path>"_s, path)),
                                  qPrintable(zem.messages.join(u'|')), 10000);
        reader.close(); // a writer stuck on the pipe is let go
        QTest::qWait(100);
#endif
    }

    void failuresSayWhatHappened_data()
    {
        // Com 1 opens the device ("pty"), the device held by another program ("held"), nothing (""), or
        // a path; <path> is that. Each step triggers an action, or is: hangup, type FIELD TEXT, click BUTTON.
        // What is told may hold a * for any text.
        QTest::addColumn<QString>("com1");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("told");
        const QString com1 = u"Com 1 is not available.\r\n"_s;
        // clang-format off
        QTest::newRow("nothing attached") << QString() << QStringList{u"mnuConnect"_s, u"type txtTextOut AT"_s, u"click btnSend1"_s} << com1 + u"Nothing is attached as Com 1: there is no /dev/ttyS0, and the system lists no other serial port."_s;
        QTest::newRow("not a serial port") << Zem::notSerial << QStringList{u"mnuConnect"_s} << com1 + u"<path> is not a serial port."_s;
        QTest::newRow("a link to a folder") << u"folder"_s << QStringList{u"mnuConnect"_s} << com1 + u"<path> is not a serial port."_s;
        QTest::newRow("held") << u"held"_s << QStringList{u"mnuConnect"_s} << com1 + u"Another program is using <path>. Close that program, then connect again."_s;
        QTest::newRow("went away") << u"pty"_s << QStringList{u"mnuConnect"_s, u"hangup"_s} << com1 + u"The device went away: it was unplugged or switched off."_s;
        QTest::newRow("went away while sending") << u"pty"_s << QStringList{u"mnuConnect"_s, u"type txtTextOut "_s + QString(9999, u'x'), u"click btnSend1"_s, u"hangup"_s} << com1 + u"The device went away: it was unplugged or switched off. * could not be sent."_s;
        QTest::newRow("failed switch") << u"pty"_s << QStringList{u"mnuConnect"_s, u"mnuCom4"_s} << u"Com 4 is not available.\r\nNothing is attached as Com 4: there is no /dev/ttyS3, and no other serial port is left for it (Com 1 is <path>)."_s;
        QTest::newRow("bad hex entry") << u"pty"_s
            << QStringList{u"mnuConnect"_s, u"type txtHEX0 01"_s, u"type txtHEX5 "_s + QString(39, u'z') + u"\U0001F600"_s, u"type txtHEX11 zz"_s, u"click btnSend0"_s}
            << u"Hex byte 6 holds \"%1\u2026\", which is not a hexadecimal number.\nUse only the digits 0-9 and A-F; nothing was sent."_s.arg(QString(39, u'z'));
        QTest::newRow("not a byte") << u"pty"_s << QStringList{u"mnuConnect"_s, u"type txtTextOut a\U0001F600\u20ACb"_s, u"click btnSend1"_s}
            << u"The character \"\U0001F600\" (U+1F600) at position 2 is not a single byte (codes 0 to 255); nothing was sent."_s;
        // clang-format on
    }

    void failuresSayWhatHappened()
    {
        QFETCH(QString, com1);
        QFETCH(QStringList, steps);
        QFETCH(QString, told);
        Device device;
        QTemporaryDir folder;
        QFile::link(folder.path(), folder.filePath(u"link"_s));
        Zem zem;
        zem.ports[0].path = com1 == "pty"_L1 || com1 == "held"_L1 ? device.path
                            : com1 == "folder"_L1                 ? folder.filePath(u"link"_s)
                                                                  : com1;
        const std::unique_ptr<QObject> holder = com1 == "held"_L1 ? Zem::hold(device.path) : nullptr;
        if ((com1 == "held"_L1 && !holder) ||
            (com1 == "folder"_L1 && !QFileInfo(zem.ports[0].path).isSymbolicLink()))
            QSKIP("a port held by another program, or a link to a folder, which this system cannot make");
        for (const QString &step : std::as_const(steps)) {
            const QString verb = step.section(u' ', 0, 0), name = step.section(u' ', 1, 1);
            verb == "hangup"_L1  ? device.hangUp()
            : verb == "type"_L1  ? zem.type(name, step.section(u' ', 2))
            : verb == "click"_L1 ? zem.click(name)
                                 : zem.trigger(verb);
        }
        QTRY_VERIFY2(toldOnce(zem.messages, told.replace(u"<path>"_s, zem.ports[0].path)),
                     qPrintable(zem.messages.join(u'|')));
        // Told once, not for every error QSerialPort repeats nor for a Send that found the port closed;
        // nothing half sent. An adapter plugged back works under its old name.
        QTest::qWait(300);
        const bool open = zem.comm().PortOpen();
        QVERIFY(zem.messages.size() == 1 && zem.showsTruth() &&
                (!open || told.endsWith("nothing was sent."_L1)) &&
                (device.received.isEmpty() || told.contains(u'*')));
        if (steps.contains(u"hangup"_s) && device.plugBack()) {
            zem.trigger("mnuConnect"), device.received.clear();
            zem.type("txtTextOut", u"y"_s), zem.click("btnSend1"), device.send("z");
            QTRY_VERIFY(zem.comm().PortOpen() && device.received == "y" &&
                        zem.find("txtResponse")->text() == "122 "_L1);
        }
    }

    void aCloseWaitsAndReplaysNothing_data()
    {
        // What closes the port: a command, or the window's close box ("close") and signals, a third of a
        // second apart, which end the program; bytes a second the device reads (0: none); when the device
        // goes away, if it does; the component's states from the close on (c closing, o open, - closed,
        // and the port); what the operator is told afterwards, if anything (on standard error when the
        // program ends, as there is nobody to read a message).
        QTest::addColumn<QString>("close");
        QTest::addColumn<int>("readRate");
        QTest::addColumn<int>("hangUpMs");
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("told");
        const QString dropped =
            u"[1-9][0-9,]* bytes could not be sent before the port closed and were discarded.$"_s;
        // clang-format off
        QTest::newRow("Disconnect") << u"mnuConnect"_s << 8000 << -1 << u"c1 -1"_s << QString();
        QTest::newRow("the checked Com chosen again") << u"mnuCom1"_s << 8000 << -1 << u"c1 o1"_s << QString();
        QTest::newRow("a switch, the device not reading") << u"mnuCom2"_s << 0 << -1 << u"c1 -2 o2"_s << u"^"_s + dropped;
        QTest::newRow("Disconnect at its bound, the device reading steadily") << u"mnuConnect"_s << 20000 << -1 << u"c1 -1"_s << u"^"_s + dropped;
        QTest::newRow("close box, then SIGTERM, a message standing") << u"close SIGTERM"_s << 0 << -1 << u"c1 -1"_s << u"^Hex byte 1 holds [^|]*\\|"_s + dropped;
        QTest::newRow("a device that stops reading, a message standing throughout") << u"mnuConnect"_s << 0 << -1 << u"c1 -1"_s << u"^Hex byte 1 holds [^|]*\\|"_s + dropped;
        QTest::newRow("a device unplugged meanwhile") << u"mnuConnect"_s << 0 << 300 << u"c1 -1"_s << u"^Com 1 is not available.\r\nThe device went away: it was unplugged or switched off. (At least )?[1-9][0-9,]* bytes could not be sent.$"_s;
        QTest::newRow("a switch, then the close box") << u"mnuCom2 close"_s << 0 << -1 << u"c1 -1"_s << u"^"_s + dropped;
        QTest::newRow("SIGHUP, a device reading") << u"SIGHUP"_s << 8000 << -1 << u"c1 -1"_s << QString();
        QTest::newRow("close box, again, then SIGTERM, a device that reads nothing") << u"close close SIGTERM"_s << 0 << -1 << u"c1 -1"_s << u"^"_s + dropped;
        QTest::newRow("close box, a device that reads nothing, then goes") << u"close"_s << 0 << 300 << u"c1 -1"_s << u"^Com 1 is not available.\r\nThe device went away"_s;
        // clang-format on
    }

    void aCloseWaitsAndReplaysNothing()
    {
        // A close returns at once and waits for the output queued, in its bound, while the device
        // talks and the operator presses Disconnect again, another Com and Send: all of that stands
        // greyed while the window shows the close and the count falling, and editing goes on; received
        // bytes show in order, a message standing, a second close or a signal neither holds the close up
        // nor cuts it short, and nothing runs afterwards.
        QFETCH(QString, close);
        QFETCH(int, readRate);
        QFETCH(int, hangUpMs);
        QFETCH(QString, states);
        QFETCH(QString, told);
        if (close.contains("SIG"_L1) && !Zem::closesOnSignals)
            QSKIP("signals, on which this system's program does not close");
        Zem zem;
        Device *device = zem.connect(1);
        zem.ports[1].path = (zem.devices[1] = std::make_unique<Device>())->path;
        qsizetype written = 0;
        QObject::connect(&zem.comm(), &CommComponent::bytesSent,
                         [&](QByteArrayView b) { written += b.size(); });
        const qsizetype takesIn = device->setReadRate(readRate);
        const auto *sending = zem.find<QLabel>("sending");
        const QByteArray text = allBytes(TextField::Limit).replace('\0', 'x');
        zem.type("txtTextOut", QString::fromLatin1(text));
        if (readRate > 0) { // and as much again, so that the count has a while to fall
            zem.click("btnSend1");
            zem.comm().setOutput(QString(told.isEmpty() ? text.size() : takesIn * 12, u'x'));
            QTRY_VERIFY(sending->isVisible() && tellsTheTime(sending->text(), -1));
        } else { // more than any line takes within the close's bound: only the device's going cuts it short
            zem.comm().setOutput(QString(8 << 20, u'x'));
        }
        if (hangUpMs >= 0)
            QTimer::singleShot(hangUpMs, device, &Device::hangUp);
        const bool ends = close.contains(QRegularExpression(u"close|SIG"_s));
        for (const QString &said :
             ends ? told.split(u"\\|"_s, Qt::SkipEmptyParts) : QStringList()) // on standard error, each
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(said));
        if (told.startsWith("^Hex"_L1)) { // a message nobody answers: the window takes no input, but is
            zem.answer.stop();            // no modal window's, so that a close always reaches it
            zem.type("txtHEX0", u"zz"_s), zem.click("btnSend0");
            QTRY_VERIFY(zem.standing<QMessageBox>());
            QTest::keyClicks(zem.find("txtHEX0"), u"9"_s);
            QVERIFY(zem.find("txtHEX0")->text() == "zz"_L1 && !QGuiApplication::modalWindow());
        }
        QStringList seen, shown;
        QObject::connect(&zem.comm(), &CommComponent::stateChanged, [&] {
            const CommComponent &comm = zem.comm();
            if (comm.isClosing() && !tellsTheTime(sending->text(), comm.closeLeftMs()))
                shown << u"UNTRUE as the close starts: "_s + sending->text();
            const QChar state = comm.isClosing() ? u'c' : comm.PortOpen() ? u'o' : u'-';
            seen << state + QString::number(comm.CommPort());
        });
        QByteArray talk;
        QList<qint64> sentAt;
        QTimer talker;
        QElapsedTimer tick, clock;
        clock.start();
        qint64 stalled = 0, ticks = 0; // the longest the window did not answer while closing
        QObject::connect(&talker, &QTimer::timeout, [&] {
            stalled = std::max(stalled, tick.isValid() ? tick.restart() : (tick.start(), 0));
            if (!zem.comm().isClosing())
                return;
            if (const char byte = char(talk.size() * 13); device->send(QByteArray(1, byte)) == 1)
                talk += byte, sentAt << clock.elapsed();
            if (ticks++ % 25 != 0)
                return;
            zem.trigger("mnuConnect"), zem.trigger("mnuCom2"), zem.click("btnSend1"), zem.click("btnClear0");
            const bool truthful = zem.showsTruth() && zem.window->isVisible() &&
                                  tellsTheTime(sending->text(), zem.comm().closeLeftMs());
            shown << (truthful ? u""_s : u"UNTRUE "_s) + zem.find<QLabel>("StatusBar1Panel1")->text() + u' ' +
                         sending->text();
        });
        talker.start(2);
        const QStringList closes = close.split(u' ');
        for (int i = 0; i < closes.size(); ++i)
            QTimer::singleShot(i * 300, zem.window.get(), [&, how = closes[i]] {
                how == "close"_L1          ? void(zem.window->close())
                : how.startsWith("SIG"_L1) ? void(Zem::raise(how))
                                           : zem.trigger(how);
            });
        QTRY_VERIFY(zem.comm().isClosing());
        QTRY_VERIFY_WITH_TIMEOUT(!zem.comm().isClosing(), 12000);
        stalled = std::max(stalled, tick.elapsed()); // a close that waits in the kernel: 30 s
        QVERIFY2(stalled < 5000, qPrintable(QString::number(stalled)));
        // A message standing goes with the window.
        QVERIFY(!told.startsWith("^Hex"_L1) || bool(zem.standing<QMessageBox>()) == !ends);
        zem.answer.start();
        QTest::qWait(300);       // anything put off would run now
        seen.removeDuplicates(); // no state comes back
        QCOMPARE(seen.join(u' '), states);
        // A close that ends the program closes the window, once the port has closed.
        QVERIFY(zem.showsTruth() && sending->isHidden() && zem.window->isVisible() == !ends);
        const QString messages = zem.messages.join(u'|');
        QVERIFY2(told.isEmpty() || ends ? messages.isEmpty() : messages.contains(QRegularExpression(told)),
                 qPrintable(messages));
        // Every byte the device sent, in order, but for the last few that were still on their way as the
        // port closed (a device at the end of a real cable that reads nothing is switched off, and says
        // nothing); the journal holds them as they arrived, under Com 1, before the event that ended the
        // line.
        const QString response = zem.find("txtResponse")->text();
        const auto shows = [&](qsizetype n) {
            return responseModel(QString::fromLatin1(talk.left(n)), {}, TextField::Limit) == response;
        };
        qsizetype got = talk.size();
        while (!shows(got) && got > 0 &&
               (talk.size() - got < 3 || sentAt[got - 1] > sentAt.last() - device->inFlightMs()))
            --got;
        QVERIFY2(shows(got) && (talk.size() > 10 || !device->talks()), qPrintable(response.left(80)));
        const auto *journal = zem.window->findChild<Journal *>();
        QString journaled, after;
        for (qint64 n = journal->begin(), ended = 0; n < journal->end(); ++n) {
            const JournalEntry entry = journal->entry(n);
            ended |= entry.words.contains(QRegularExpression(u"^(Disconnected|The device went away)"_s));
            const bool received = entry.kind == JournalEntry::Received;
            (ended ? after : journaled) +=
                received && entry.port == 1 ? QString::fromLatin1(entry.bytes) : QString(received, u'?');
        }
        QVERIFY(responseModel(journaled, {}, TextField::Limit) == response && after.isEmpty());
        shown.removeDuplicates();
        const QString all = shown.join(u'|');
        QVERIFY2(shown.size() > (readRate > 0 ? 2 : 0) && all.startsWith("Disconnecting Sending: "_L1) &&
                     !all.contains("UNTRUE"_L1),
                 qPrintable(all));
        // The text once, then only what was queued after it; or, of a device that read nothing, that all
        // the count told was discarded never reached it (but for what two UARTs' 16-byte FIFOs and shift
        // registers held as their ports closed and opened).
        const QByteArray queued = text + QByteArray(takesIn * 12, 'x');
        QTRY_VERIFY(readRate == 0 || queued.startsWith(device->received));
        if (!told.isEmpty() && hangUpMs < 0 && !ends) { // got and told make what was queued
            const qsizetype discarded = zem.messages.back().section(u' ', 0, 0).remove(u',').toLongLong();
            const auto neverGot = [&] { return written - device->received.size(); };
            device->setReadRate(-1);
            QTRY_VERIFY(neverGot() - discarded <= 34);
            QTest::qWait(300);
            QVERIFY2(neverGot() >= discarded, qPrintable(messages));
        }
    }
};

QTEST_MAIN(tst_Zem)
#include "tst_zem.moc"
