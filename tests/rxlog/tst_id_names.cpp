// The by-identifier view naming its rows' messages: the column's texts as a
// reader and the copy get them, names asked for once per identifier, and the
// view exactly as before once the namer is gone.
#include <map>
#include <string>
#include <utility>

#include <QAccessible>
#include <QtTest>

#include "rxlog/ui/CIdView.h"

namespace {

constexpr int kTimeoutMs = 20000;

// The cell texts of the view's accessible table, row by row, columns joined
// by "|", and the column captions as the first line.
QStringList AccessibleLines(CIdView& view)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
    QAccessibleTableInterface* table = iface->tableInterface();
    QStringList lines;
    QStringList captions;
    for (int column = 0; column < table->columnCount(); ++column) {
        captions << table->columnDescription(column);
    }
    lines << captions.join('|');
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column) {
            cells << table->cellAt(row, column)->text(QAccessible::Name);
        }
        lines << cells.join('|');
    }
    return lines;
}

const std::string kLongName = "VeryLongMessageNameThatDoesNotFitInTheColumn";

}  // namespace

class IdNamesTest : public QObject {
    Q_OBJECT

private slots:
    void NamerAddsAColumnAndGoesWithoutATrace()
    {
        CIdView view;
        view.resize(900, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const uint8_t data[2] = {0x12, 0x34};
        view.AddFrame(false, 0x123, false, 2, data, 2);
        view.AddFrame(true, 0x123, false, 2, data, 2);
        view.AddFrame(false, 0x7FF, true, 0, nullptr, 0);
        const QStringList plainCells = AccessibleLines(view);
        const QString plainCopy = view.CopyText(-1);
        const QString plainRow = view.CopyText(0);
        QCOMPARE(view.AccessibleColumnCount(), kIdColumns);

        // The same identifier on the other protocol is another message.
        std::map<std::pair<bool, uint32_t>, int> asked;
        view.SetMessageNamer([&asked](bool extended, uint32_t id) -> std::string {
            ++asked[{extended, id}];
            if (!extended && id == 0x123) {
                return "EngineData";
            }
            return extended && id == 0x123 ? kLongName : std::string();
        });
        QVERIFY(view.ShowsNames());
        const QString cut =
            QString::fromStdString(kLongName.substr(0, 30)) + QString::fromUtf8("…");
        QTRY_COMPARE_WITH_TIMEOUT(AccessibleLines(view),
                                  (QStringList{plainCells[0] + QString::fromUtf8("|메시지"),
                                               plainCells[1] + "|EngineData",
                                               plainCells[2] + "|" + cut, plainCells[3] + "|"}),
                                  kTimeoutMs);
        // The copy keeps a cut name whole.
        const QStringList plainLines = plainCopy.split('\n');
        QCOMPARE(
            view.CopyText(-1),
            (QStringList{
                 plainLines[0] + QString::fromUtf8("\t메시지"), plainLines[1] + "\tEngineData",
                 plainLines[2] + "\t" + QString::fromStdString(kLongName), plainLines[3] + "\t"})
                .join('\n'));
        QCOMPARE(view.CopyText(0), plainRow + "\tEngineData");

        // Frames and display updates do not ask again; a change of names does.
        for (int i = 0; i < 50; ++i) {
            view.AddFrame(false, 0x123, false, 2, data, 2);
        }
        QTRY_COMPARE_WITH_TIMEOUT(view.AccessibleText(0, 5), QStringLiteral("51"), kTimeoutMs);
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
        QCOMPARE(AccessibleLines(view).value(0), plainCells[0]);
        QCOMPARE(AccessibleLines(view).mid(2), plainCells.mid(2));
        QCOMPARE(view.CopyText(-1).split('\n').mid(2), plainLines.mid(2));
        QCOMPARE(view.CopyText(-1).split('\n').value(0), plainLines[0]);
    }
};

QTEST_MAIN(IdNamesTest)
#include "tst_id_names.moc"
