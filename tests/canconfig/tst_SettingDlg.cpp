// The configuration dialog and its bit-timing search against scripted
// prompts: the fields it opens with and hands back, the identifier editors'
// width, the bit-rate lists, refusals, and the search's table.
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "../common/ScriptedPrompts.h"
#include "canconfig/BitTiming.h"
#include "canconfig/CanBitTime.h"
#include "canconfig/ui/CBitTimingSearchDlg.h"
#include "canconfig/ui/CSettingDlg.h"
#include "canconfig/ui/IdBitEditor.h"

namespace {

const std::vector<std::string> kPorts = {"ttyS0", "ttyS1", "ttyS2"};

template <class Widget = QComboBox>
Widget* Find(QWidget& parent, const char* name)
{
    return parent.findChild<Widget*>(QString::fromLatin1(name));
}

MainSetting WithBitTime(CanBitTime bitTime)
{
    return {0, 115200, 0x1C, bitTime, 0, 0, "", ""};
}

QString Shown(const QWidget* widget, const QString& text)
{
    return widget->isEnabled() ? text : text + "-";
}

// Lists, computed rate, boxes as 0/1 and the mask fields; "-" marks disabled.
QString State(QDialog& dialog)
{
    QStringList parts;
    for (const char* n : {"port", "rxMode", "idType", "bps", "brp", "prseg", "phseg1", "phseg2"}) {
        parts << Shown(Find(dialog, n), Find(dialog, n)->currentText());
    }
    parts << Find<QLineEdit>(dialog, "computedBps")->text();
    QString boxes;
    for (const char* name :
         {"customBps", "autoReset", "notifyBusOff", "notifyErrorPassive", "notifyWarning"}) {
        boxes += Find<QCheckBox>(dialog, name)->isChecked() ? '1' : '0';
    }
    parts << boxes;
    for (int i = 0; i < 4; ++i) {
        QLineEdit* field = Find<IdBitEditor>(dialog, "maskEditor")->Field(i);
        parts << Shown(field, field->text());
    }
    return parts.join('|');
}

// Clicks "설정"; the six fields handed back, or "" when refused.
QString Confirm(CSettingDlg& dialog)
{
    Find<QPushButton>(dialog, "ok")->click();
    const MainSetting& s = dialog.Setting();
    return dialog.result() != QDialog::Accepted
               ? QString()
               : QString::asprintf("%d %u %02X %08X %X %X", s.serialPortIndex, s.serialPortBaudRate,
                                   s.modeByte, s.canBitTime, s.canMaskId, s.canId);
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

class SettingDlgTest : public QObject {
    Q_OBJECT

private slots:
    void opensCorrectedAndConfirmsTheSixFields()
    {
        struct Row {
            MainSetting setting;
            size_t ports;
            QString confirmed, state;
        };
        // clang-format off
        const Row rows[] = {
            {{0, 115200, 0x1C, 0x01020505, 0, 0, "/e", "/r"}, 3, "0 115200 1C 01020505 0 0",
             "ttyS0|CAN2.0A/B Both|CAN2.0B|250K|1-|2-|5-|5-|CAN: 250.00K BPS|01100|00|00|00|00"},
            {{-2, 76800, 0x03, 0x02000001, 0x7FF, 0x123, "/e", "/r"}, 3, "-1 76800 03 02000001 7FF 123",
             "|CAN2.0A/B Both|CAN2.0A|-|2|0|0|1|CAN: 533.33K BPS|10011|-|-|07|FF"},
            // Receive mode 3, an unknown speed, a port beyond the list.
            {{9, 12345, 0xFF, 0x0F070707, 0, 0, "/e", "/r"}, 3, "2 115200 5F 0F070707 0 0",
             "ttyS2|CAN2.0B Only|CAN2.0B-|20K|15-|7-|7-|7-|CAN: 20.00K BPS|01111|00|00|00|00"},
            {{0, 9600, 0x20, 0x00000202, 0, 0, "/e", "/r"}, 0, "-1 9600 20 00000202 0 0",
             "|CAN2.0A Only|CAN2.0A-|1M|0-|0-|2-|2-|CAN: 1.00M BPS|00000|-|-|00|00"},
        };
        // clang-format on
        for (const Row& row : rows) {
            ScriptedPrompts prompts;
            CSettingDlg dialog(row.setting, {kPorts.begin(), kPorts.begin() + row.ports}, prompts);
            QCOMPARE(State(dialog), row.state);
            QCOMPARE(Confirm(dialog), row.confirmed);
            QCOMPARE(dialog.Setting().eventLogPath + dialog.Setting().receivedDataLogPath, "/e/r");
        }
    }

    void identifierWidthFollowsTheModeLists()
    {
        const MainSetting setting{0, 115200, 0x1C, 0x01020505, 0x1ABCDEF0, 0, "", ""};
        ScriptedPrompts prompts;
        CSettingDlg dialog(setting, kPorts, prompts);
        auto* mask = Find<IdBitEditor>(dialog, "maskEditor");
        mask->Field(2)->clear();
        QTest::keyClicks(mask->Field(2), "FF");
        QCOMPARE(State(dialog).section('|', 10), QStringLiteral("1A|BC|FF|F0"));
        Find(dialog, "rxMode")->setCurrentIndex(1);
        QCOMPARE(State(dialog).section('|', 1, 2) + State(dialog).section('|', 10),
                 QStringLiteral("CAN2.0A Only|CAN2.0A--|-|FF|F0"));
        QVERIFY(!Find<IdBitEditor>(dialog, "idEditor")->BitBox(11)->isEnabled());
        mask->Field(2)->clear();
        QTest::keyClicks(mask->Field(2), "FF");
        QCOMPARE(mask->Field(2)->text(), QStringLiteral("07"));
        QCOMPARE(Confirm(dialog), QStringLiteral("0 115200 2C 01020505 7F0 0"));
    }

    // "CAN2.0A/B Both" leaves the width to the ID type list, both editors alike.
    void idTypeListSetsTheEditorsWidth()
    {
        const MainSetting setting{0, 115200, 0x1C, 0x01020505, 0x1ABCDEF0, 0x1ABCDEF0, "", ""};
        ScriptedPrompts prompts;
        CSettingDlg dialog(setting, kPorts, prompts);
        auto* mask = Find<IdBitEditor>(dialog, "maskEditor");
        auto* id = Find<IdBitEditor>(dialog, "idEditor");
        // ID type chosen, then the widths of both editors and what "FF" typed
        // into field 2 of the mask leaves there.
        const std::tuple<int, IdWidth, QString> rows[] = {
            {0, IdWidth::k11Bit, "-|-|07|F0"},
            {1, IdWidth::k29Bit, "||FF|F0"},
            {0, IdWidth::k11Bit, "-|-|07|F0"},
        };
        for (const auto& [idType, width, fields] : rows) {
            Find(dialog, "idType")->setCurrentIndex(idType);
            QCOMPARE(mask->Width(), width);
            QCOMPARE(id->Width(), width);
            mask->Field(2)->clear();
            QTest::keyClicks(mask->Field(2), "FF");
            QCOMPARE(State(dialog).section('|', 10), fields);
        }
        QCOMPARE(Confirm(dialog), QStringLiteral("0 115200 0C 01020505 7F0 6F0"));
    }

    // Each preset picked from the list shows its rate and its fields.
    void presetChoiceShowsItsRateAndFields()
    {
        const QString shown[] = {
            "1M|0-|0-|2-|2-|CAN: 1.00M BPS",     "500K|0-|2-|5-|5-|CAN: 500.00K BPS",
            "250K|1-|2-|5-|5-|CAN: 250.00K BPS", "200K|3-|0-|3-|3-|CAN: 200.00K BPS",
            "125K|3-|2-|5-|5-|CAN: 125.00K BPS", "100K|3-|2-|7-|7-|CAN: 100.00K BPS",
            "50K|7-|2-|7-|7-|CAN: 50.00K BPS",   "40K|7-|7-|7-|7-|CAN: 40.00K BPS",
            "25K|15-|2-|7-|7-|CAN: 25.00K BPS",  "20K|15-|7-|7-|7-|CAN: 20.00K BPS",
        };
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x01020505), kPorts, prompts);
        for (int index = 0; index < 10; ++index) {
            Find(dialog, "bps")->setCurrentIndex(index);
            QCOMPARE(State(dialog).section('|', 3, 8), shown[index]);
        }
        // Ticking the box starts the custom lists from the preset last picked.
        Find<QCheckBox>(dialog, "customBps")->click();
        QCOMPARE(State(dialog).section('|', 3, 8), QStringLiteral("-|15|7|7|7|CAN: 20.00K BPS"));
    }

    void customBoxAndPresetList()
    {
        // opened with, preset picked before ticking (-1 none), BRP chosen while ticked
        const std::tuple<uint32_t, int, int, QString, QString> rows[] = {
            {0x02000001, -1, 5, "-|5|0|0|1|CAN: 266.67K BPS", "250K|5-|0-|0-|1-|CAN: 250.00K BPS"},
            {0x03020707, 6, 0, "-|0|2|7|7|CAN: 400.00K BPS", "50K|0-|2-|7-|7-|CAN: 50.00K BPS"},
        };
        for (const auto& [opened, picked, brp, ticked, unticked] : rows) {
            ScriptedPrompts prompts;
            CSettingDlg dialog(WithBitTime(opened), kPorts, prompts);
            auto* custom = Find<QCheckBox>(dialog, "customBps");
            if (picked >= 0) {
                Find(dialog, "bps")->setCurrentIndex(picked);
                custom->click();
            }
            Find(dialog, "brp")->setCurrentIndex(brp);
            QCOMPARE(State(dialog).section('|', 3, 8), ticked);
            custom->click();
            QCOMPARE(State(dialog).section('|', 3, 8), unticked);
        }
    }

    // A custom bit time that "설정" would refuse shows its rate in red, naming
    // the rule it breaks; anything else shows it plainly.
    void brokenCustomBitTimeIsMarked()
    {
        // Opened with PHSEG2 0, which no list item shows.
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x3F000000), kPorts, prompts);
        auto* computed = Find<QLineEdit>(dialog, "computedBps");
        const QColor plain = dialog.palette().color(QPalette::Text);
        QVERIFY(plain != QColor(Qt::red));
        // The text colour set, and whether the field is drawn with red in it.
        const auto marked = [&] {
            const QColor colour = computed->palette().color(QPalette::Text);
            const QImage drawn = computed->grab().toImage();
            bool drawnRed = false;
            for (int y = 0; y < drawn.height() && !drawnRed; ++y) {
                for (int x = 0; x < drawn.width() && !drawnRed; ++x) {
                    const QColor pixel = drawn.pixelColor(x, y);
                    drawnRed = pixel.red() > 160 && pixel.green() < 90 && pixel.blue() < 90;
                }
            }
            const QString look = colour == QColor(Qt::red) && drawnRed ? "red"
                                 : colour == plain && !drawnRed        ? "plain"
                                                                       : "?";
            return computed->text() + "|" + look + "|" + computed->toolTip();
        };
        const auto pick = [&](const char* list, int item) {
            return [&dialog, list, item] {
                Find(dialog, list)->setCurrentIndex(item);
            };
        };
        const auto click = [&] {
            Find<QCheckBox>(dialog, "customBps")->click();
        };
        const std::pair<std::function<void()>, QString> steps[] = {
            {[] {}, "CAN: 31.25K BPS|red|1) PHSEG2 >= 1"},
            {pick("phseg2", 2), "CAN: 17.86K BPS|red|2) PRSEG+PHSEG1+1 >= PHSEG2"},  // 3
            {pick("prseg", 2), "CAN: 13.89K BPS|plain|"},
            {pick("brp", 0), "CAN: 888.89K BPS|plain|"},
            {pick("prseg", 0), "CAN: 1.14M BPS|red|CAN BPS가 1M BPS를 넘었읍니다"},
            {click, "CAN: 250.00K BPS|plain|"},  // back to a preset
            {pick("bps", 0), "CAN: 1.00M BPS|plain|"},
            {click, "CAN: 1.00M BPS|plain|"},  // the preset's fields
            {pick("phseg2", 0), "CAN: 1.14M BPS|red|CAN BPS가 1M BPS를 넘었읍니다"},
            {pick("brp", 1), "CAN: 571.43K BPS|plain|"},
        };
        for (const auto& [step, shown] : steps) {
            step();
            QCOMPARE(marked(), shown);
        }
        QCOMPARE(Confirm(dialog), QStringLiteral("0 115200 1C 01000201 0 0"));
    }

    void refusalsComeInOrderAndKeepTheDialogOpen()
    {
        ScriptedPrompts prompts;
        CSettingDlg dialog(WithBitTime(0x00000001), kPorts, prompts);  // 1.6 Mbit/s
        dialog.show();
        QCOMPARE(State(dialog).section('|', 8, 8), QStringLiteral("CAN: 1.60M BPS"));
        QLineEdit* mask = Find<IdBitEditor>(dialog, "maskEditor")->Field(3);
        QLineEdit* id = Find<IdBitEditor>(dialog, "idEditor")->Field(0);
        mask->setText("G1");  // pasted
        id->setText("x");
        QTest::keyClick(id, Qt::Key_Return);  // discarded
        QCOMPARE(Confirm(dialog), QString());
        mask->setText("1");
        QCOMPARE(Confirm(dialog), QString());
        id->setText("1");
        QCOMPARE(Confirm(dialog), QString());
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompts.stops, QStringList({"수신 마스크 ID 데이터 입력이 잘못되었읍니다",
                                             "수신 ID 데이터 입력이 잘못되었읍니다",
                                             "CAN 비트 타임 데이터 입력이 잘못되었읍니다"}));
        Find(dialog, "brp")->setCurrentIndex(1);
        QCOMPARE(Confirm(dialog), QStringLiteral("0 115200 1C 01000001 1 1000000"));
    }

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

QTEST_MAIN(SettingDlgTest)
#include "tst_SettingDlg.moc"
