#include <tuple>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "../common/ScriptedPrompts.h"
#include "canconfig/BitTiming.h"
#include "canconfig/CanBitTime.h"
#include "canconfig/ui/CBitTimingSearchDlg.h"
#include "canconfig/ui/CSettingDlg.h"

namespace {

const std::vector<std::string> kPorts = {"ttyS0"};

template <class Widget = QComboBox>
Widget* Find(QWidget& parent, const char* name)
{
    return parent.findChild<Widget*>(QString::fromLatin1(name));
}

MainSetting WithBitTime(CanBitTime bitTime)
{
    return {0, 115200, 0x1C, bitTime, 0, 0, "", ""};
}

// The cells of a table row joined by "|".
QString Cells(QDialog& search, int row)
{
    auto* table = Find<QTableWidget>(search, "bitTimes");
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column) {
        cells << table->item(row, column)->text();
    }
    return cells.join('|');
}

// The four custom lists and "계산된 BPS".
QString CustomShown(QDialog& dialog)
{
    QStringList shown;
    for (const char* name : {"bps", "brp", "prseg", "phseg1", "phseg2"}) {
        shown << Find(dialog, name)->currentText();
    }
    return shown.join('|') + '|' + Find<QLineEdit>(dialog, "computedBps")->text();
}

// What the table area says instead of a table, or "" when it shows the table.
QString Notice(QDialog& search)
{
    auto* none = Find<QLabel>(search, "noBitTimes");
    return none->isVisibleTo(&search) ? none->text() : QString();
}

}  // namespace

class BitTimingSearchTest : public QObject {
    Q_OBJECT

private slots:
    // The label follows the preset and every custom list; 16 quanta are the
    // only count whose sample point can end in a half tenth, rounded up.
    void quantaFollowThePresetAndTheCustomLists()
    {
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x01020505), kPorts, prompts);
        auto* quanta = Find<QLabel>(dialog, "bitQuanta");
        QCOMPARE(quanta->text(), QStringLiteral("16 TQ, 샘플 포인트 62.5 %"));
        Find(dialog, "bps")->setCurrentIndex(7);  // "40K": 7 7 7
        QCOMPARE(quanta->text(), QStringLiteral("25 TQ, 샘플 포인트 68.0 %"));
        Find<QCheckBox>(dialog, "customBps")->click();
        // PRSEG, PHSEG1, PHSEG2 and the label.
        const std::tuple<int, int, int, QString> rows[] = {
            {0, 0, 1, "5 TQ, 샘플 포인트 60.0 %"},
            {7, 7, 1, "19 TQ, 샘플 포인트 89.5 %"},  // 89.47
            {0, 0, 7, "11 TQ, 샘플 포인트 27.3 %"},  // 27.27
            {0, 7, 7, "18 TQ, 샘플 포인트 55.6 %"},  // 55.56
            {3, 7, 2, "16 TQ, 샘플 포인트 81.3 %"},  // 81.25
            {6, 0, 6, "16 TQ, 샘플 포인트 56.3 %"},  // 56.25
            {1, 7, 4, "16 TQ, 샘플 포인트 68.8 %"},  // 68.75
        };
        for (const auto& [prseg, phseg1, phseg2, text] : rows) {
            Find(dialog, "prseg")->setCurrentIndex(prseg);
            Find(dialog, "phseg1")->setCurrentIndex(phseg1);
            Find(dialog, "phseg2")->setCurrentIndex(phseg2 - 1);
            QCOMPARE(quanta->text(), text);
        }
        Find<QCheckBox>(dialog, "customBps")->click();  // back to "40K"
        QCOMPARE(quanta->text(), QStringLiteral("25 TQ, 샘플 포인트 68.0 %"));
    }

    void newControlsComeLastInTheTabOrder()
    {
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x01020505), kPorts, prompts);
        QStringList chain;
        for (QWidget* w = dialog.nextInFocusChain(); w != &dialog; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()) {
                chain << w->objectName();
            }
        }
        QCOMPARE(chain.mid(chain.size() - 4).join(' '),
                 QStringLiteral("phseg2 ok cancel findBitTime"));
    }

    void rateTextAndEmptyResults()
    {
        CBitTimingSearchDlg search("250K");
        search.show();
        auto* rate = Find(search, "wantedRate");
        // Text typed, the rate searched for (0: none) and what the table area says.
        const std::tuple<QString, double, QString> inputs[] = {
            {"83.333k", 83333, ""},
            {" .5M ", 5e5, ""},
            {"33333", 33333, ""},
            {"2M", 2e6, "조건에 맞는 조합이 없읍니다"},  // above the ceiling
            {"4K", 4e3, "조건에 맞는 조합이 없읍니다"},  // below the slowest, 5K
            {"1e6", 0, "비트레이트 입력이 잘못되었읍니다"},
            {"0K", 0, "비트레이트 입력이 잘못되었읍니다"},
            {"-5K", 0, "비트레이트 입력이 잘못되었읍니다"},
            {"", 0, "비트레이트 입력이 잘못되었읍니다"},
        };
        for (const auto& [text, wanted, notice] : inputs) {
            rate->setCurrentText(text);
            QCOMPARE(CBitTimingSearchDlg::ParseRateText(text).value_or(0), wanted);
            QCOMPARE(Notice(search), notice);
            QCOMPARE(Find<QPushButton>(search, "ok")->isEnabled(), notice.isEmpty());
        }
        QCOMPARE(CBitTimingSearchDlg::RateText(16e6 / 30), QStringLiteral("533333.3333"));
        QTest::keyClick(rate->lineEdit(), Qt::Key_Return);
        QVERIFY(search.isVisible());
        QCOMPARE(rate->count(), 10);  // typed rates are not added to the list
    }

    // Every row shows its fields and figures; chosen, it fills the
    // custom lists through the dialog's own handlers and "설정" accepts it.
    void everyRowIsAcceptedWhenChosen()
    {
        CBitTimingSearchDlg probe("125K");
        Find<QDoubleSpinBox>(probe, "wantedSamplePoint")->setValue(75.0);
        auto* table = Find<QTableWidget>(probe, "bitTimes");
        // The search itself is checked against brute force on its own; the
        // table shows all it finds, in its order.
        const std::vector<BitTimeCandidate> found = FindBitTimes(125e3, 75.0);
        QCOMPARE(table->rowCount(), int(found.size()));

        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x03020505), kPorts, prompts);  // "125K"
        for (int row = 0; row < table->rowCount(); ++row) {
            const QStringList cells = Cells(probe, row).split('|');
            const int brp = cells[0].toInt(), prseg = cells[1].toInt(), phseg1 = cells[2].toInt(),
                      phseg2 = cells[3].toInt();
            const int quanta = prseg + phseg1 + phseg2 + 4;
            const double rate = 16e6 / ((brp + 1) * 2 * quanta);
            const double point = 100.0 * (1 + (prseg + 1) + (phseg1 + 1)) / quanta;
            QCOMPARE(cells.mid(4).join('|'),
                     QString::asprintf("%d|%s|%+.2f|%.2f", quanta,
                                       qPrintable(QString::number(rate, 'f', 2).remove(".00")),
                                       100 * (rate - 125e3) / 125e3, point));
            const CanBitTime value = CanBitTime(brp << 24 | prseg << 16 | phseg1 << 8 | phseg2);
            QCOMPARE(table->item(row, 0)->data(Qt::UserRole).toUInt(), value);
            QCOMPARE(value, found[size_t(row)].value);

            // Each search starts from the rate last chosen, so ask for 125K again.
            prompts.dialogScripts.push_back([row](QDialog& search) -> int {
                Find(search, "wantedRate")->setCurrentText("125K");
                Find<QDoubleSpinBox>(search, "wantedSamplePoint")->setValue(75.0);
                Find<QTableWidget>(search, "bitTimes")->selectRow(row);
                Find<QPushButton>(search, "ok")->click();
                return search.result();
            });
            Find<QPushButton>(dialog, "findBitTime")->click();
            QVERIFY(Find<QCheckBox>(dialog, "customBps")->isChecked());
            QCOMPARE(CustomShown(dialog), "|" + cells.mid(0, 4).join('|') +
                                              QString::asprintf("|CAN: %.2fK BPS", rate * 0.001));
            dialog.setResult(0);
            Find<QPushButton>(dialog, "ok")->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.Setting().canBitTime, value);
        }
        QCOMPARE(prompts.stops, QStringList());
    }

    // The search starts at the rate in effect; cancelling changes nothing and a
    // double click chooses.
    void startsAtTheRateShownAndChoosesOnDoubleClick()
    {
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x02000001), kPorts, prompts);  // 533.33K
        QString started;
        CanBitTime clicked = 0;
        prompts.dialogScripts.push_back([&](QDialog& search) -> int {
            started = Find(search, "wantedRate")->currentText();
            return QDialog::Rejected;
        });
        prompts.dialogScripts.push_back([&](QDialog& search) -> int {
            Find(search, "wantedRate")->setCurrentText("100K");
            auto* table = Find<QTableWidget>(search, "bitTimes");
            clicked = table->item(1, 0)->data(Qt::UserRole).toUInt();
            const QPoint cell = table->visualItemRect(table->item(1, 5)).center();
            // A press selects the row; the double-click event follows it.
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
            return search.result();
        });
        Find<QPushButton>(dialog, "findBitTime")->click();
        QCOMPARE(started, QStringLiteral("533333.3333"));
        QCOMPARE(CustomShown(dialog), QStringLiteral("|2|0|0|1|CAN: 533.33K BPS"));
        Find<QPushButton>(dialog, "findBitTime")->click();
        const BitTimeFields f = SplitBitTime(clicked);
        QCOMPARE(CustomShown(dialog), QString::asprintf("|%d|%d|%d|%d|CAN: 100.00K BPS", f.brp,
                                                        f.prseg, f.phseg1, f.phseg2));
    }
};

QTEST_MAIN(BitTimingSearchTest)
#include "tst_BitTimingSearch.moc"
