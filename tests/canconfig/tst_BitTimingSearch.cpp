#include <cmath>
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

// The quanta text worked out here in integers: the sample point in tenths of
// a percent, halves rounded up.
QString QuantaText(int prseg, int phseg1, int phseg2)
{
    const int quanta = (prseg + 1) + (phseg1 + 1) + (phseg2 + 1) + 1;
    const int sampled = 1 + (prseg + 1) + (phseg1 + 1);
    const int tenths = (2000 * sampled + quanta) / (2 * quanta);
    return QStringLiteral("%1 TQ, 샘플 포인트 %2.%3 %")
        .arg(quanta)
        .arg(tenths / 10)
        .arg(tenths % 10);
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
    void quantaFollowEveryPresetAndTheCustomLists()
    {
        // PRSEG, PHSEG1, PHSEG2 of the presets in list order.
        const int presets[10][3] = {{0, 2, 2}, {2, 5, 5}, {2, 5, 5}, {0, 3, 3}, {2, 5, 5},
                                    {2, 7, 7}, {2, 7, 7}, {7, 7, 7}, {2, 7, 7}, {7, 7, 7}};
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x01020505), kPorts, prompts);
        auto* quanta = Find<QLabel>(dialog, "bitQuanta");
        QCOMPARE(quanta->text(), QStringLiteral("16 TQ, 샘플 포인트 62.5 %"));
        for (int index = 9; index >= 0; --index) {
            Find(dialog, "bps")->setCurrentIndex(index);
            QCOMPARE(quanta->text(),
                     QuantaText(presets[index][0], presets[index][1], presets[index][2]));
        }
        Find<QCheckBox>(dialog, "customBps")->click();
        for (int prseg = 0; prseg <= 7; ++prseg) {
            Find(dialog, "prseg")->setCurrentIndex(prseg);
            for (int phseg1 = 0; phseg1 <= 7; ++phseg1) {
                Find(dialog, "phseg1")->setCurrentIndex(phseg1);
                for (int phseg2 = 1; phseg2 <= 7; ++phseg2) {
                    Find(dialog, "phseg2")->setCurrentIndex(phseg2 - 1);
                    QCOMPARE(quanta->text(), QuantaText(prseg, phseg1, phseg2));
                }
            }
        }
        Find(dialog, "prseg")->setCurrentIndex(3);  // 13 of 16 quanta: a half
        Find(dialog, "phseg2")->setCurrentIndex(1);
        QCOMPARE(quanta->text(), QStringLiteral("16 TQ, 샘플 포인트 81.3 %"));
        Find<QCheckBox>(dialog, "customBps")->click();  // back to "1M"
        QCOMPARE(quanta->text(), QStringLiteral("8 TQ, 샘플 포인트 62.5 %"));
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

    // Every row passes the checks of "설정" within 0.5 % of the wanted rate,
    // closest sample point first, and none is missing; chosen, it fills the
    // custom lists through the dialog's own handlers and "설정" accepts it.
    void everyRowIsAcceptedWhenChosen()
    {
        CBitTimingSearchDlg probe("125K");
        Find<QDoubleSpinBox>(probe, "wantedSamplePoint")->setValue(75.0);
        auto* table = Find<QTableWidget>(probe, "bitTimes");
        int expected = 0;  // counted here by brute force
        for (int brp = 0; brp <= 63; ++brp) {
            for (int prseg = 0; prseg <= 7; ++prseg) {
                for (int phseg1 = 0; phseg1 <= 7; ++phseg1) {
                    for (int phseg2 = 1; phseg2 <= prseg + phseg1 + 1 && phseg2 <= 7; ++phseg2) {
                        const double rate = 16e6 / ((brp + 1) * 2 * (prseg + phseg1 + phseg2 + 4));
                        expected += rate <= 1e6 && std::fabs(rate - 125e3) <= 625;
                    }
                }
            }
        }
        QCOMPARE(table->rowCount(), expected);

        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x03020505), kPorts, prompts);  // "125K"
        double lastDistance = 0;
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
            QVERIFY(IsValidBitTime(value));
            QVERIFY(std::fabs(point - 75.0) >= lastDistance - 1e-9);
            lastDistance = std::fabs(point - 75.0);

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
