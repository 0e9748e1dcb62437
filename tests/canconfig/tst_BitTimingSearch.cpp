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

// The table's rows: the four fields, quanta, rate, error, sample point (the
// cells' texts) and the bit time the row carries.
struct Row {
    int brp, prseg, phseg1, phseg2, quanta;
    QString rate, error, samplePoint;
    CanBitTime value;
};

std::vector<Row> Rows(QDialog& search)
{
    auto* table = Find<QTableWidget>(search, "bitTimes");
    std::vector<Row> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        const auto cell = [&](int column) {
            return table->item(r, column)->text();
        };
        rows.push_back({cell(0).toInt(), cell(1).toInt(), cell(2).toInt(), cell(3).toInt(),
                        cell(4).toInt(), cell(5), cell(6), cell(7),
                        table->item(r, 0)->data(Qt::UserRole).toUInt()});
    }
    return rows;
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
        const std::vector<Row> rows = Rows(probe);
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
        QCOMPARE(static_cast<int>(rows.size()), expected);

        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x03020505), kPorts, prompts);  // "125K"
        double lastDistance = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row& row = rows[i];
            const int quanta = row.prseg + row.phseg1 + row.phseg2 + 4;
            const double rate = 16e6 / ((row.brp + 1) * 2 * quanta);
            const double point = 100.0 * (1 + (row.prseg + 1) + (row.phseg1 + 1)) / quanta;
            QCOMPARE(row.value,
                     CanBitTime(row.brp << 24 | row.prseg << 16 | row.phseg1 << 8 | row.phseg2));
            QVERIFY(IsValidBitTime(row.value));
            QCOMPARE(row.quanta, quanta);
            QCOMPARE(row.rate.toDouble(), std::round(rate * 100) / 100);
            QCOMPARE(row.error, QString::asprintf("%+.2f", 100 * (rate - 125e3) / 125e3));
            QCOMPARE(row.samplePoint, QString::asprintf("%.2f", point));
            QVERIFY(std::fabs(point - 75.0) >= lastDistance - 1e-9);
            lastDistance = std::fabs(point - 75.0);

            // Each search starts from the rate last chosen, so ask for 125K again.
            prompts.dialogScripts.push_back([i](QDialog& search) -> int {
                Find(search, "wantedRate")->setCurrentText("125K");
                Find<QDoubleSpinBox>(search, "wantedSamplePoint")->setValue(75.0);
                Find<QTableWidget>(search, "bitTimes")->selectRow(static_cast<int>(i));
                Find<QPushButton>(search, "ok")->click();
                return search.result();
            });
            Find<QPushButton>(dialog, "findBitTime")->click();
            QVERIFY(Find<QCheckBox>(dialog, "customBps")->isChecked());
            QCOMPARE(Find(dialog, "bps")->currentIndex(), -1);
            QCOMPARE(Find(dialog, "brp")->currentText().toInt(), row.brp);
            QCOMPARE(Find(dialog, "prseg")->currentText().toInt(), row.prseg);
            QCOMPARE(Find(dialog, "phseg1")->currentText().toInt(), row.phseg1);
            QCOMPARE(Find(dialog, "phseg2")->currentText().toInt(), row.phseg2);
            QCOMPARE(Find<QLineEdit>(dialog, "computedBps")->text(),
                     QString::asprintf("CAN: %.2fK BPS", rate * 0.001));
            dialog.setResult(0);
            Find<QPushButton>(dialog, "ok")->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.Setting().canBitTime, row.value);
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
        QCOMPARE(Find(dialog, "brp")->currentIndex(), 2);
        Find<QPushButton>(dialog, "findBitTime")->click();
        QCOMPARE(Find(dialog, "brp")->currentIndex(), int(SplitBitTime(clicked).brp));
        QCOMPARE(Find(dialog, "phseg2")->currentIndex(), SplitBitTime(clicked).phseg2 - 1);
        QCOMPARE(Find<QLineEdit>(dialog, "computedBps")->text(),
                 QStringLiteral("CAN: 100.00K BPS"));
    }
};

QTEST_MAIN(BitTimingSearchTest)
#include "tst_BitTimingSearch.moc"
