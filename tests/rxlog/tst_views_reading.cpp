// What a reader of the three painted views gets: the rows through assistive
// technology, the copied text, a view that holds still while read, lines
// that do not touch, and the by-identifier view's message names.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QRawFont>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextLayout>

#include "RecordingRouter.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/CIdView.h"
#include "rxlog/ui/CellRowsAccessible.h"
#include "rxlog/ui/CRDataList.h"
#include "rxlog/ui/ListFont.h"

namespace {

struct Told {
    QAccessible::Event type;
    QObject* object;
    int change;  // QAccessibleTableModelChangeEvent::ModelChangeType, or -1
    int firstRow;
    int lastRow;
};

std::vector<Told>& ToldEvents()
{
    static std::vector<Told> told;
    return told;
}

void Record(QAccessibleEvent* event)
{
    Told told{event->type(), event->object(), -1, -1, -1};
    if (event->type() == QAccessible::TableModelChanged) {
        const auto* change = static_cast<QAccessibleTableModelChangeEvent*>(event);
        told.change = change->modelChangeType();
        told.firstRow = change->firstRow();
        told.lastRow = change->lastRow();
    }
    ToldEvents().push_back(told);
}

std::vector<Told> ToldAbout(const QObject* object)
{
    std::vector<Told> about;
    std::copy_if(ToldEvents().begin(), ToldEvents().end(), std::back_inserter(about),
                 [object](const Told& told) { return told.object == object; });
    return about;
}

// The cell texts of an accessible table, row by row, columns joined by "|";
// with captions, the column captions come first.
QStringList AccessibleRows(QAccessibleInterface* iface, bool captions = false)
{
    QAccessibleTableInterface* table = iface->tableInterface();
    QStringList rows;
    if (captions) {
        QStringList texts;
        for (int column = 0; column < table->columnCount(); ++column) {
            texts << table->columnDescription(column);
        }
        rows << texts.join('|');
    }
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column) {
            cells << table->cellAt(row, column)->text(QAccessible::Name);
        }
        rows << cells.join('|');
    }
    return rows;
}

QStringList Lines(const CRDataList& list)
{
    QStringList lines;
    for (int i = 0; i < list.LineCount(); ++i) {
        lines << QString::fromStdString(list.LineText(i));
    }
    return lines;
}

QStringList Lines(const COXHistoryCtrl& log)
{
    QStringList lines;
    for (int i = 0; i < log.LineCount(); ++i) {
        lines << QString::fromStdString(log.Entry(i).text);
    }
    return lines;
}

// From the top of the tallest glyph to the bottom of the deepest, in pixels,
// of a line of Hangul and ASCII as the font draws it (fallback fonts included).
int InkHeight(const QFont& font)
{
    QTextLayout layout(QString::fromUtf8("[환경설정 읽기 명령] 한글 Xgjy|"), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    qreal top = 0;
    qreal bottom = 0;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        for (const quint32 glyph : run.glyphIndexes()) {
            const QRectF ink = raw.boundingRect(glyph);
            top = std::min(top, ink.top());
            bottom = std::max(bottom, ink.bottom());
        }
    }
    return static_cast<int>(std::ceil(bottom - top));
}

void Fill(COXHistoryCtrl& log, int from, int to)
{
    for (int i = from; i < to; ++i) {
        log.AddLine("event " + std::to_string(i));
    }
}

void Fill(CRDataList& list, int from, int to)
{
    for (int i = from; i < to; ++i) {
        list.AddLine("ID: " + std::to_string(i));
    }
}

QString Shown(const COXHistoryCtrl& log)
{
    const int line = log.LineAt(0);
    return line >= 0 ? QString::fromStdString(log.Entry(line).text) : QString();
}

QString Shown(const CRDataList& list)
{
    return QString::fromStdString(list.LineText(list.verticalScrollBar()->value()));
}

}  // namespace

class ViewsReadingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void linesDoNotTouch();
    void receivedListHoldsStillWhileRead();
    void eventLogHoldsStillWhileRead();
    void copyTakesTheLinesAsShown();
    void accessibleRowsAreTheShownLines();
    void accessibilityToldAtDisplayRateOnlyWhileListening();
    void idViewNamerAddsAColumnAndGoesWithoutATrace();
};

void ViewsReadingTest::initTestCase()
{
    SetAccessibilityTeller(Record);
}

void ViewsReadingTest::linesDoNotTouch()
{
    // The history control's own font is the system's fixed font, whose Hangul
    // comes from a fallback font; the list font holds its own.
    COXHistoryCtrl history;
    const int ink = InkHeight(history.LineFont());
    QVERIFY2(history.LineHeight() >= ink + 1,
             qPrintable(QString("%1 < %2 + 1").arg(history.LineHeight()).arg(ink)));
    history.SetLineFont(MakeListFont(), false);
    QVERIFY(history.LineHeight() >= InkHeight(MakeListFont()) + 1);
    QFont large = MakeListFont();
    large.setPointSize(20);
    CRDataList list;
    CIdView ids;
    for (QWidget* view : {static_cast<QWidget*>(&list), static_cast<QWidget*>(&ids)}) {
        view->setFont(large);
    }
    QVERIFY(list.LineHeight() >= InkHeight(large) + 1);
    QVERIFY(ids.LineHeight() >= InkHeight(large) + 1);
    QCOMPARE(CRDataList().LineHeight(), CRDataList::kLineHeight);  // the list font fits in 17
}

void ViewsReadingTest::receivedListHoldsStillWhileRead()
{
    CRDataList list;
    list.resize(300, 10 * CRDataList::kLineHeight + 6);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy following(&list, &CellRowsView::FollowChanged);
    QScrollBar* vertical = list.verticalScrollBar();
    Fill(list, 0, 50);
    QVERIFY(list.IsFollowing());

    // Scrolling up pauses: new lines arrive, the view and the selection stay.
    vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
    QVERIFY(!list.IsFollowing());
    QCOMPARE(following.size(), 1);
    const QString top = Shown(list);
    const int value = vertical->value();
    Fill(list, 50, 60);
    QCOMPARE(vertical->value(), value);
    QCOMPARE(Shown(list), top);
    QCOMPARE(list.CurrentRow(), 49);

    // At the limit the oldest lines go; the same lines stay in view.
    Fill(list, 60, 230);
    QCOMPARE(list.LineCount(), CRDataList::kMaxLines);
    QCOMPARE(Shown(list), top);
    QCOMPARE(list.LineText(list.CurrentRow()), std::string("ID: 49"));
    QVERIFY(vertical->value() < vertical->maximum());

    // Back at the bottom it follows: the next line is selected and shown.
    vertical->triggerAction(QAbstractSlider::SliderToMaximum);
    QVERIFY(list.IsFollowing());
    list.AddLine("newest");
    QCOMPARE(list.CurrentRow(), list.LineCount() - 1);
    QCOMPARE(vertical->value(), vertical->maximum());

    // Selecting an older line pauses; End follows again.
    QTest::keyClick(&list, Qt::Key_Up);
    QVERIFY(!list.IsFollowing());
    Fill(list, 0, 3);
    QCOMPARE(list.LineText(list.CurrentRow()), std::string("ID: 229"));
    QTest::keyClick(&list, Qt::Key_End);
    QVERIFY(list.IsFollowing());
    QCOMPARE(following.size(), 4);

    // Clearing leaves nothing to hold: it follows.
    QTest::keyClick(&list, Qt::Key_Home);
    list.Clear();
    QVERIFY(list.IsFollowing());
}

void ViewsReadingTest::eventLogHoldsStillWhileRead()
{
    CEventLogCtrl log;
    log.resize(300, 10 * log.LineHeight() + 6);
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    QScrollBar* vertical = log.verticalScrollBar();
    Fill(log, 0, 100);
    QVERIFY(log.IsFollowing());

    vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QVERIFY(!log.IsFollowing());
    const QString top = Shown(log);
    Fill(log, 100, 150);  // still below the limit
    QCOMPARE(Shown(log), top);
    Fill(log, 150, 260);  // 60 dropped
    QCOMPARE(log.LineCount(), CEventLogCtrl::kMaxLines);
    QCOMPARE(Shown(log), top);
    // A smaller limit drops more of them; what is left of the view stays.
    log.SetMaxEntries(190);
    QCOMPARE(Shown(log), top);

    QTest::keyClick(&log, Qt::Key_End);
    QVERIFY(log.IsFollowing());
    QCOMPARE(vertical->value(), vertical->maximum());
    log.AddLine("newest");
    QCOMPARE(vertical->value(), vertical->maximum());

    // A click selects a line and pauses; following again drops the selection.
    const int clicked = log.LineAt(log.LineHeight() / 2);
    QTest::mouseClick(log.viewport(), Qt::LeftButton, {}, QPoint(20, log.LineHeight() / 2));
    QCOMPARE(log.SelectedLine(), clicked);
    QVERIFY(!log.IsFollowing());
    const std::string selected = log.Entry(clicked).text;
    Fill(log, 0, 5);
    QCOMPARE(log.Entry(log.SelectedLine()).text, selected);
    vertical->triggerAction(QAbstractSlider::SliderToMaximum);
    QVERIFY(log.IsFollowing());
    QCOMPARE(log.SelectedLine(), -1);
}

void ViewsReadingTest::copyTakesTheLinesAsShown()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    RecordingRouter router;
    const auto copyFromMenu = [clipboard](QMenu* menu) {
        clipboard->clear();
        QAction* copy = menu->actions().constLast();
        if (copy->data().toInt() != kCmdCopyLines || !copy->isEnabled()) {
            return QString("(no copy)");
        }
        copy->trigger();
        return clipboard->text();
    };

    // The received-data list copies its selected line as shown.
    CRDataList list;
    list.SetCommandRouter(&router);
    list.resize(300, 200);
    QCOMPARE(copyFromMenu(list.BuildContextMenu().get()), QString("(no copy)"));
    list.AddLine("CAN2.0B  Data Frame  길이:2  ID:18FF50E5  데이터:0A FF");
    list.AddLine("CAN2.0A  Remote Frame  길이:0  ID:7DF");
    QCOMPARE(copyFromMenu(list.BuildContextMenu().get()),
             QString("CAN2.0A  Remote Frame  길이:0  ID:7DF"));
    list.SetCurrentRow(0);
    QCOMPARE(copyFromMenu(list.BuildContextMenu().get()),
             QString::fromUtf8("CAN2.0B  Data Frame  길이:2  ID:18FF50E5  데이터:0A FF"));
    // Shift extends the selection to a run of lines, copied one per line; a
    // run that reaches the newest line is still being read.
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    const QString both = QString::fromUtf8(
        "CAN2.0B  Data Frame  길이:2  ID:18FF50E5  데이터:0A FF\n"
        "CAN2.0A  Remote Frame  길이:0  ID:7DF");
    QCOMPARE(copyFromMenu(list.BuildContextMenu().get()), both);
    QVERIFY(!list.IsFollowing());
    list.AddLine("third");
    QCOMPARE(list.CopyText(), both);
    QAccessibleInterface* listIface = QAccessible::queryAccessibleInterface(&list);
    QCOMPARE(listIface->tableInterface()->selectedRows(), (QList<int>{0, 1}));
    QTest::keyClick(&list, Qt::Key_End);
    QCOMPARE(list.CopyText(), QString("third"));
    QVERIFY(list.IsFollowing());

    // The event log: the selected line, else the one under the mouse, else
    // (from the keyboard) the lines in the window.
    CEventLogCtrl log;
    log.SetCommandRouter(&router);
    log.resize(300, 3 * log.LineHeight() + 6);
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    QCOMPARE(copyFromMenu(log.BuildContextMenu().get()), QString("(no copy)"));
    Fill(log, 0, 5);
    QStringList inWindow;
    for (int i = log.LineAt(0); i < 5; ++i) {
        inWindow << QString("event %1").arg(i);
    }
    QVERIFY(inWindow.size() >= 3);
    QCOMPARE(log.CopyText(), inWindow.join('\n'));
    QCOMPARE(copyFromMenu(log.BuildContextMenu(1).get()), QString("event 1"));
    log.SelectRow(3);
    QCOMPARE(copyFromMenu(log.BuildContextMenu(1).get()), QString("event 3"));

    // The by-identifier view: tabs between columns; the header and every
    // row when no row is under the mouse.
    CIdView ids;
    QCOMPARE(ids.CopyText(-1), QString());
    const uint8_t data[2] = {0x0A, 0xFF};
    ids.AddFrame(true, 0x18FF50E5, false, 2, data, 2);
    ids.AddFrame(false, 0x7DF, true, 0, nullptr, 0);
    QCOMPARE(ids.CopyText(0), QString("CAN2.0A\t7DF\tRemote Frame\t0\t\t1\t-"));
    QCOMPARE(ids.CopyText(-1),
             QString::fromUtf8("프로토콜\tID\t프레임\t길이\t데이터\t수신 횟수\t주기(ms)\n"
                               "CAN2.0A\t7DF\tRemote Frame\t0\t\t1\t-\n"
                               "CAN2.0B\t18FF50E5\tData Frame\t2\t0A FF\t1\t-"));
}

void ViewsReadingTest::accessibleRowsAreTheShownLines()
{
    CRDataList list;
    CEventLogCtrl log;
    CIdView ids;
    for (QWidget* view :
         {static_cast<QWidget*>(&list), static_cast<QWidget*>(&log), static_cast<QWidget*>(&ids)}) {
        view->resize(400, 200);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
    Fill(list, 0, 3);
    WriteEventLine("[CAN 데이터 송신 응답]        : OK", kColourBlack);
    const uint8_t data[1] = {0x42};
    ids.AddFrame(false, 0x123, false, 1, data, 1);

    QAccessibleInterface* listIface = QAccessible::queryAccessibleInterface(&list);
    QAccessibleInterface* logIface = QAccessible::queryAccessibleInterface(&log);
    QAccessibleInterface* idIface = QAccessible::queryAccessibleInterface(&ids);
    QVERIFY(listIface && logIface && idIface);
    QCOMPARE(listIface->role(), QAccessible::List);
    QCOMPARE(listIface->text(QAccessible::Name), QString::fromUtf8("수신 데이터"));
    QCOMPARE(logIface->role(), QAccessible::List);
    QCOMPARE(idIface->role(), QAccessible::Table);
    QCOMPARE(AccessibleRows(listIface), Lines(list));
    QCOMPARE(AccessibleRows(logIface), Lines(log));
    QCOMPARE(AccessibleRows(idIface), QStringList{"CAN2.0A|123|Data Frame|1|42|1|-"});
    QCOMPARE(idIface->tableInterface()->columnDescription(4), QString::fromUtf8("데이터"));
    QAccessibleInterface* dataCell = idIface->tableInterface()->cellAt(0, 4);
    QCOMPARE(dataCell->role(), QAccessible::Cell);
    QCOMPARE(dataCell->tableCellInterface()->columnHeaderCells().value(0)->text(QAccessible::Name),
             QString::fromUtf8("데이터"));

    // Children and cells are the same objects, and know their place.
    QAccessibleInterface* second = listIface->child(1);
    QCOMPARE(second->role(), QAccessible::ListItem);
    QCOMPARE(second, listIface->tableInterface()->cellAt(1, 0));
    QCOMPARE(listIface->indexOfChild(second), 1);
    QCOMPARE(second->parent(), listIface);

    // Selection: the list's current line; a line selected through the
    // interface is the user's selection.
    QCOMPARE(listIface->tableInterface()->selectedRows(), QList<int>{2});
    QVERIFY(listIface->child(2)->state().selected);
    QVERIFY(!second->state().selected);
    QVERIFY(listIface->tableInterface()->selectRow(1));
    QCOMPARE(list.CurrentRow(), 1);
    QVERIFY(second->state().selected);
    QVERIFY(logIface->tableInterface()->selectedRows().isEmpty());
    QVERIFY(logIface->tableInterface()->selectRow(0));
    QCOMPARE(log.SelectedLine(), 0);

    // More lines: the interface has them (texts are read when asked).
    Fill(list, 3, 250);
    Fill(log, 0, 250);
    for (int i = 0; i < 5; ++i) {
        ids.AddFrame(false, 0x100 + static_cast<uint32_t>(i), false, 1, data, 1);
    }
    QTRY_COMPARE_WITH_TIMEOUT(AccessibleRows(listIface), Lines(list), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(AccessibleRows(logIface), Lines(log), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(idIface->tableInterface()->rowCount(), 6, 20000);
    QCOMPARE(listIface->childCount(), CRDataList::kMaxLines);
    QCOMPARE(idIface->childCount(), 6 * kIdColumns);
}

void ViewsReadingTest::accessibilityToldAtDisplayRateOnlyWhileListening()
{
    CRDataList list;
    list.resize(300, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&list);
    QVERIFY(iface);
    const auto tableChanges = [&list] {
        std::vector<Told> changes;
        for (const Told& told : ToldAbout(&list)) {
            if (told.type == QAccessible::TableModelChanged) {
                changes.push_back(told);
            }
        }
        return changes;
    };
    const auto waitForDisplayUpdate = [&list] {
        QTRY_VERIFY_WITH_TIMEOUT(!list.IsUpdatePending(), 20000);
    };

    // Nobody listening: nothing is told.
    ToldEvents().clear();
    Fill(list, 0, 50);
    waitForDisplayUpdate();
    QVERIFY(tableChanges().empty());

    QAccessible::setActive(true);
    // A burst of lines is told once, at the next display update, as the rows
    // it brought.
    Fill(list, 50, 80);
    waitForDisplayUpdate();
    std::vector<Told> changes = tableChanges();
    QCOMPARE(changes.size(), size_t(1));
    QCOMPARE(changes[0].change, int(QAccessibleTableModelChangeEvent::RowsInserted));
    QCOMPARE(std::pair(changes[0].firstRow, changes[0].lastRow), std::pair(50, 79));

    // At the limit: the rows dropped from the start, then those appended.
    ToldEvents().clear();
    Fill(list, 80, 230);
    waitForDisplayUpdate();
    changes = tableChanges();
    QVERIFY(changes.size() <= 4);  // one or two display updates
    QCOMPARE(changes.back().change, int(QAccessibleTableModelChangeEvent::RowsInserted));
    QCOMPARE(changes.back().lastRow, CRDataList::kMaxLines - 1);
    int dropped = 0;
    for (const Told& told : changes) {
        if (told.change == QAccessibleTableModelChangeEvent::RowsRemoved) {
            QCOMPARE(told.firstRow, 0);
            dropped += told.lastRow + 1;
        }
    }
    QCOMPARE(dropped, 30);

    // More lines than the list holds: a reset. A clear: a reset.
    ToldEvents().clear();
    Fill(list, 0, 300);
    waitForDisplayUpdate();
    QCOMPARE(tableChanges().back().change, int(QAccessibleTableModelChangeEvent::ModelReset));
    ToldEvents().clear();
    list.Clear();
    waitForDisplayUpdate();
    QCOMPARE(tableChanges().size(), size_t(1));
    QCOMPARE(tableChanges()[0].change, int(QAccessibleTableModelChangeEvent::ModelReset));

    // The user moving the selection is told with the row.
    Fill(list, 0, 10);
    waitForDisplayUpdate();
    ToldEvents().clear();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Home);
    waitForDisplayUpdate();
    const std::vector<Told> told = ToldAbout(&list);
    QVERIFY(std::any_of(told.begin(), told.end(),
                        [](const Told& t) { return t.type == QAccessible::Selection; }));
    QAccessible::setActive(false);
}

// The by-identifier view naming its rows' messages: the column's texts as a
// reader and the copy get them, names asked for once per identifier, and the
// view exactly as before once the namer is gone.
void ViewsReadingTest::idViewNamerAddsAColumnAndGoesWithoutATrace()
{
    const std::string longName = "VeryLongMessageNameThatDoesNotFitInTheColumn";
    CIdView view;
    const auto cells = [&view] {
        return AccessibleRows(QAccessible::queryAccessibleInterface(&view), true);
    };
    view.resize(900, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const uint8_t data[2] = {0x12, 0x34};
    view.AddFrame(false, 0x123, false, 2, data, 2);
    view.AddFrame(true, 0x123, false, 2, data, 2);
    view.AddFrame(false, 0x7FF, true, 0, nullptr, 0);
    const QStringList plainCells = cells();
    const QString plainCopy = view.CopyText(-1);
    const QString plainRow = view.CopyText(0);
    QCOMPARE(view.AccessibleColumnCount(), kIdColumns);

    // The same identifier on the other protocol is another message.
    std::map<std::pair<bool, uint32_t>, int> asked;
    view.SetMessageNamer([&asked, &longName](bool extended, uint32_t id) -> std::string {
        ++asked[{extended, id}];
        if (!extended && id == 0x123) {
            return "EngineData";
        }
        return extended && id == 0x123 ? longName : std::string();
    });
    QVERIFY(view.ShowsNames());
    const QString cut = QString::fromStdString(longName.substr(0, 30)) + QString::fromUtf8("…");
    QTRY_COMPARE_WITH_TIMEOUT(
        cells(),
        (QStringList{plainCells[0] + QString::fromUtf8("|메시지"), plainCells[1] + "|EngineData",
                     plainCells[2] + "|" + cut, plainCells[3] + "|"}),
        20000);
    // The copy keeps a cut name whole.
    const QStringList plainLines = plainCopy.split('\n');
    QCOMPARE(
        view.CopyText(-1),
        (QStringList{plainLines[0] + QString::fromUtf8("\t메시지"), plainLines[1] + "\tEngineData",
                     plainLines[2] + "\t" + QString::fromStdString(longName), plainLines[3] + "\t"})
            .join('\n'));
    QCOMPARE(view.CopyText(0), plainRow + "\tEngineData");

    // Frames and display updates do not ask again; a change of names does.
    for (int i = 0; i < 50; ++i) {
        view.AddFrame(false, 0x123, false, 2, data, 2);
    }
    QTRY_COMPARE_WITH_TIMEOUT(view.AccessibleText(0, 5), QStringLiteral("51"), 20000);
    QCOMPARE(asked[std::make_pair(false, 0x123u)], 1);
    QCOMPARE(asked.size(), size_t{3});
    view.NamesChanged();
    QCOMPARE(view.AccessibleText(0, kIdColumns), QStringLiteral("EngineData"));
    QCOMPARE(asked[std::make_pair(false, 0x123u)], 2);

    // Without the namer: the columns, cells and copy of before.
    view.SetMessageNamer({});
    QVERIFY(!view.ShowsNames());
    QCOMPARE(view.AccessibleColumnCount(), kIdColumns);
    // The first row's count moved on; the others are as they were.
    QCOMPARE(cells().value(0), plainCells[0]);
    QCOMPARE(cells().mid(2), plainCells.mid(2));
    QCOMPARE(view.CopyText(-1).split('\n').mid(2), plainLines.mid(2));
    QCOMPARE(view.CopyText(-1).split('\n').value(0), plainLines[0]);
}

QTEST_MAIN(ViewsReadingTest)
#include "tst_views_reading.moc"
