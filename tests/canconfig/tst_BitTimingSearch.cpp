#include <cmath>
#include <optional>
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

// A dialog script that searches for a rate, selects one row and clicks "선택".
ScriptedPrompts::DialogScript ChooseRow(const QString& rate, int row)
{
    return [rate, row](QDialog& search) {
        Find(search, "wantedRate")->setCurrentText(rate);
        Find<QTableWidget>(search, "bitTimes")->selectRow(row);
        Find<QPushButton>(search, "ok")->click();
        return search.result();
    };
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
            const int* f = presets[index];
            QCOMPARE(quanta->text(), QuantaText(f[0], f[1], f[2]));
        }
        QCOMPARE(quanta->text(), QStringLiteral("8 TQ, 샘플 포인트 62.5 %"));  // "1M"

        Find<QCheckBox>(dialog, "customBps")->click();
        // BRP, PRSEG, PHSEG1, PHSEG2 chosen, and the text counted by hand.
        const std::tuple<int, int, int, int, QString> custom[] = {
            {0, 3, 7, 2, "16 TQ, 샘플 포인트 81.3 %"},  // 13 of 16: a half, rounded up
            {1, 2, 4, 6, "16 TQ, 샘플 포인트 56.3 %"},  // 9 of 16
            {1, 4, 7, 1, "16 TQ, 샘플 포인트 87.5 %"}, {2, 0, 7, 4, "15 TQ, 샘플 포인트 66.7 %"},
            {3, 2, 7, 4, "17 TQ, 샘플 포인트 70.6 %"}, {5, 7, 7, 1, "19 TQ, 샘플 포인트 89.5 %"},
            {0, 0, 0, 1, "5 TQ, 샘플 포인트 60.0 %"},   // above 1 Mbit/s: still shown
            {63, 0, 0, 3, "7 TQ, 샘플 포인트 42.9 %"},  // breaks a rule: still shown
        };
        for (const auto& [brp, prseg, phseg1, phseg2, text] : custom) {
            Find(dialog, "brp")->setCurrentIndex(brp);
            Find(dialog, "prseg")->setCurrentIndex(prseg);
            Find(dialog, "phseg1")->setCurrentIndex(phseg1);
            Find(dialog, "phseg2")->setCurrentIndex(phseg2 - 1);
            QCOMPARE(quanta->text(), text);
            QCOMPARE(text, QuantaText(prseg, phseg1, phseg2));
        }
        // Every combination of the segment lists.
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
        // Unticked, the text follows the preset selected again ("1M").
        Find<QCheckBox>(dialog, "customBps")->click();
        QCOMPARE(quanta->text(), QuantaText(0, 2, 2));

        // Opened with a PHSEG2 of 0, which no list item shows.
        CSettingDlg broken(WithBitTime(0x3F000000), kPorts, prompts);
        QCOMPARE(Find<QLabel>(broken, "bitQuanta")->text(), QuantaText(0, 0, 0));
    }

    // New controls come after every existing one in the tab order and sit in
    // the rate panel without covering anything.
    void newControlsComeLastAndCoverNothing()
    {
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x01020505), kPorts, prompts);
        dialog.show();
        QStringList chain;
        QWidget* widget = &dialog;
        do {
            widget = widget->nextInFocusChain();
            if ((widget->focusPolicy() & Qt::TabFocus) && !widget->objectName().isEmpty()) {
                chain << widget->objectName();
            }
        } while (widget != &dialog);
        QCOMPARE(chain.mid(chain.size() - 8).join(' '),
                 QStringLiteral("computedBps brp prseg phseg1 phseg2 ok cancel findBitTime"));
        for (const char* name : {"bitQuanta", "findBitTime"}) {
            auto* added = Find<QWidget>(dialog, name);
            const QRect place(added->mapTo(&dialog, QPoint()), added->size());
            QVERIFY(added->isVisible());
            QVERIFY(dialog.rect().contains(place));
            for (QWidget* other : dialog.findChildren<QWidget*>()) {
                if (other == added || other->isAncestorOf(added) || added->isAncestorOf(other) ||
                    !other->isVisible() || other->objectName() == "bitQuanta" ||
                    other->objectName() == "findBitTime") {
                    continue;
                }
                const QRect otherPlace(other->mapTo(&dialog, QPoint()), other->size());
                QVERIFY2(!place.intersects(otherPlace), qPrintable(other->objectName()));
            }
        }
    }

    void rateTextForms()
    {
        const std::tuple<QString, std::optional<double>> parsed[] = {
            {"500K", 500000.0}, {"83.333k", 83333.0}, {" 1M ", 1e6}, {"33333", 33333.0},
            {".5M", 500000.0},  {"125 K", 125000.0},  {"0", {}},     {"0K", {}},
            {"", {}},           {"abc", {}},          {"1G", {}},    {"-5K", {}},
            {"1e6", {}},        {"1,000", {}},        {"5KK", {}},   {"K", {}},
        };
        for (const auto& [text, rate] : parsed) {
            const std::optional<double> read = CBitTimingSearchDlg::ParseRateText(text);
            QVERIFY2(read.has_value() == rate.has_value(), qPrintable(text));
            QVERIFY2(!rate || std::fabs(*read - *rate) < 1e-6, qPrintable(text));
        }
        const std::tuple<double, QString> written[] = {
            {250000.0, "250K"}, {1e6, "1M"}, {16e6 / 30, "533333.3333"}, {500.0, "500"}};
        for (const auto& [rate, text] : written) {
            QCOMPARE(CBitTimingSearchDlg::RateText(rate), text);
            QVERIFY(std::fabs(*CBitTimingSearchDlg::ParseRateText(text) - rate) < 1e-3);
        }
    }

    // Every combination the lists offer that "설정" accepts within 0.5 % of the
    // wanted rate, counted here by brute force, closest sample point first.
    void listsEveryAcceptedCombinationBySamplePoint()
    {
        const std::tuple<QString, double> searches[] = {
            {"250K", 87.5},    {"500K", 75.0},  {"1M", 87.5},
            {"83.333K", 87.5}, {"33333", 60.0}, {"5K", 68.0},
        };
        for (const auto& [text, samplePoint] : searches) {
            const double wanted = *CBitTimingSearchDlg::ParseRateText(text);
            CBitTimingSearchDlg search(text);
            Find<QDoubleSpinBox>(search, "wantedSamplePoint")->setValue(samplePoint);
            const std::vector<Row> rows = Rows(search);
            QVERIFY2(!rows.empty(), qPrintable(text));
            QCOMPARE(Notice(search), QString());
            double lastDistance = 0;
            for (const Row& row : rows) {
                const int quanta = row.prseg + row.phseg1 + row.phseg2 + 4;
                const double rate = 16e6 / ((row.brp + 1) * 2 * quanta);
                const double point = 100.0 * (1 + (row.prseg + 1) + (row.phseg1 + 1)) / quanta;
                QCOMPARE(row.value, static_cast<CanBitTime>(row.brp << 24 | row.prseg << 16 |
                                                            row.phseg1 << 8 | row.phseg2));
                QVERIFY(IsValidBitTime(row.value));
                QCOMPARE(row.quanta, quanta);
                QCOMPARE(row.rate.toDouble(), std::round(rate * 100) / 100);
                QCOMPARE(row.error, QString::asprintf("%+.2f", 100 * (rate - wanted) / wanted));
                QVERIFY(std::fabs(rate - wanted) <= 0.005 * wanted);
                QCOMPARE(row.samplePoint, QString::asprintf("%.2f", point));
                QVERIFY(std::fabs(point - samplePoint) >= lastDistance - 1e-9);
                lastDistance = std::fabs(point - samplePoint);
            }
            int expected = 0;
            for (int brp = 0; brp <= 63; ++brp) {
                for (int prseg = 0; prseg <= 7; ++prseg) {
                    for (int phseg1 = 0; phseg1 <= 7; ++phseg1) {
                        for (int phseg2 = 1; phseg2 <= 7; ++phseg2) {
                            const double rate =
                                16e6 / ((brp + 1) * 2 * (prseg + phseg1 + phseg2 + 4));
                            expected += rate <= 1e6 && prseg + phseg1 + 1 >= phseg2 &&
                                        std::fabs(rate - wanted) <= 0.005 * wanted;
                        }
                    }
                }
            }
            QCOMPARE(static_cast<int>(rows.size()), expected);
        }
    }

    void saysWhenNothingFitsAndIgnoresEnter()
    {
        CBitTimingSearchDlg search("250K");
        search.show();
        auto* rate = Find(search, "wantedRate");
        auto* choose = Find<QPushButton>(search, "ok");
        QVERIFY(choose->isEnabled());  // the best row is selected
        const std::tuple<QString, QString> inputs[] = {
            {"2M", "조건에 맞는 조합이 없읍니다"},  // above the ceiling
            {"4K", "조건에 맞는 조합이 없읍니다"},  // below the slowest, 5K
            {"abc", "비트레이트 입력이 잘못되었읍니다"},
            {"", "비트레이트 입력이 잘못되었읍니다"},
            {"125K", ""},
        };
        for (const auto& [text, notice] : inputs) {
            rate->setCurrentText(text);
            QCOMPARE(Notice(search), notice);
            QCOMPARE(choose->isEnabled(), notice.isEmpty());
            QCOMPARE(Rows(search).empty(), !notice.isEmpty());
        }
        QTest::keyClick(rate->lineEdit(), Qt::Key_Return);
        QTest::keyClick(Find<QTableWidget>(search, "bitTimes"), Qt::Key_Enter);
        QVERIFY(search.isVisible());
        QCOMPARE(search.result(), 0);
        QCOMPARE(rate->count(), 10);  // typed rates are not added to the list
        QCOMPARE(search.Chosen(), CanBitTime(0));
    }

    // Every row, chosen, fills the custom lists through the dialog's own
    // handlers, and "설정" accepts it as it is.
    void everyRowChosenIsAcceptedByTheSettingDialog()
    {
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x03020505), kPorts, prompts);  // "125K"
        QString wantedShown;
        prompts.dialogScripts.push_back([&](QDialog& search) {
            wantedShown = Find(search, "wantedRate")->currentText();
            return QDialog::Rejected;
        });
        Find<QPushButton>(dialog, "findBitTime")->click();
        QCOMPARE(wantedShown, QStringLiteral("125K"));
        QCOMPARE(Find<QCheckBox>(dialog, "customBps")->isChecked(), false);  // cancelled

        CBitTimingSearchDlg probe("125K");
        const std::vector<Row> rows = Rows(probe);
        QVERIFY(rows.size() > 5);
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row& row = rows[i];
            // Each pass starts from the last rate chosen, so it asks for 125K again.
            prompts.dialogScripts.push_back(ChooseRow("125K", static_cast<int>(i)));
            Find<QPushButton>(dialog, "findBitTime")->click();
            QVERIFY(Find<QCheckBox>(dialog, "customBps")->isChecked());
            QCOMPARE(Find(dialog, "bps")->currentIndex(), -1);
            QCOMPARE(Find(dialog, "brp")->currentText().toInt(), row.brp);
            QCOMPARE(Find(dialog, "prseg")->currentText().toInt(), row.prseg);
            QCOMPARE(Find(dialog, "phseg1")->currentText().toInt(), row.phseg1);
            QCOMPARE(Find(dialog, "phseg2")->currentText().toInt(), row.phseg2);
            const double rate = 16e6 / ((row.brp + 1) * 2 * row.quanta);
            QCOMPARE(Find<QLineEdit>(dialog, "computedBps")->text(),
                     QString::asprintf("CAN: %.2fK BPS", rate * 0.001));
            QCOMPARE(Find<QLabel>(dialog, "bitQuanta")->text(),
                     QuantaText(row.prseg, row.phseg1, row.phseg2));
            dialog.setResult(0);
            Find<QPushButton>(dialog, "ok")->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.Setting().canBitTime, row.value);
        }
        QCOMPARE(prompts.stops, QStringList());
    }

    // From a custom bit time the search starts at its rate; a double click
    // chooses.
    void doubleClickChoosesFromCustomMode()
    {
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x02000001), kPorts, prompts);  // 533.33K
        CanBitTime chosen = 0;
        CanBitTime doubleClicked = 1;
        prompts.dialogScripts.push_back([&](QDialog& shown) -> int {
            auto& search = static_cast<CBitTimingSearchDlg&>(shown);
            auto* rate = Find(search, "wantedRate");
            if (rate->currentText() != QStringLiteral("533333.3333")) {
                return QDialog::Rejected;
            }
            rate->setCurrentText("100K");
            auto* table = Find<QTableWidget>(search, "bitTimes");
            doubleClicked = table->item(1, 0)->data(Qt::UserRole).toUInt();
            const QRect cell = table->visualItemRect(table->item(1, 5));
            // A double click on a widget comes as a press, a release, then the
            // double-click event itself.
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            chosen = search.Chosen();
            return search.result();
        });
        Find<QPushButton>(dialog, "findBitTime")->click();
        QCOMPARE(chosen, doubleClicked);
        const BitTimeFields fields = SplitBitTime(chosen);
        QCOMPARE(Find(dialog, "brp")->currentIndex(), int(fields.brp));
        QCOMPARE(Find(dialog, "phseg2")->currentIndex(), fields.phseg2 - 1);
        QCOMPARE(Find<QLineEdit>(dialog, "computedBps")->text(),
                 QStringLiteral("CAN: 100.00K BPS"));
    }
};

QTEST_MAIN(BitTimingSearchTest)
#include "tst_BitTimingSearch.moc"
