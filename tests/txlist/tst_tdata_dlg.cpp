#include <cstdio>

#include <QTest>

#include "tests/common/ScriptedPrompts.h"
#include "tests/common/WidgetScript.h"
#include "txlist/ui/CTDataDlg.h"

// The seven values in hex, as the rows write them; "" is the add defaults.
static TDataEntry ParseEntry(const QString& values)
{
    TDataEntry e = CTDataDlg::AddDefaults();
    unsigned dlc = e.dlc;
    std::sscanf(qPrintable(values), "%X %X %X %X %X %X %X", &e.standard, &e.dataFrame, &e.hexInput,
                &dlc, &e.id, &e.dataHigh, &e.dataLow);
    e.dlc = static_cast<uint8_t>(dlc);
    return e;
}

class TDataDlgTest : public QObject {
    Q_OBJECT

private slots:
    void dialog_data();
    void dialog();
    void tabOrder();
};

void TDataDlgTest::dialog_data()
{
    // initial and outcome: standard, dataFrame, hexInput, dlc, id, dataHigh, dataLow in hex
    // ("" opens with the add defaults); outcome "open" or "refused" when not confirmed.
    const char* const rows[][5] = {
        {"add", "", "click ok", "CAN2.0B,8,Data Frame,Hex / 00,00,00,00,00,00,00,00 / 00,00,00,00",
         "0 1 1 8 0 0 0"},
        {"dlc 12", "0 1 1 C 0 1020304 5060708", "",
         "CAN2.0B,8,Data Frame,Hex / 01,02,03,04,05,06,07,08 / 00,00,00,00", "open"},
        {"standard id", "1 1 1 8 12345678 0 0", "click ok",
         "CAN2.0A,8,Data Frame,Hex / 00,00,00,00,00,00,00,00 / -,-,06,78", "1 1 1 8 678 0 0"},
        // A file's flag 2 is 11-bit here as in the row and the send.
        {"standard 2", "2 1 1 2 7FF 11220000 0", "click ok",
         "CAN2.0A,2,Data Frame,Hex / 11,22,-,-,-,-,-,- / -,-,07,FF", "1 1 1 2 7FF 11220000 0"},
        {"ascii entry", "0 1 0 3 0 417E0000 0", "",
         "CAN2.0B,3,Data Frame,Ascii / A,~,,-,-,-,-,- / 00,00,00,00", "open"},
        {"remote", "", "select frameType 1; click ok",
         "CAN2.0B,-0,Remote Frame,Hex / -,-,-,-,-,-,-,- / 00,00,00,00", "0 0 1 0 0 0 0"},
        {"remote, data", "", "select frameType 1; select frameType 0",
         "CAN2.0B,0,Data Frame,Hex / -,-,-,-,-,-,-,- / 00,00,00,00", "open"},
        {"length 3", "", "select length 3; type data0 11; type data1 22; type data2 33; click ok",
         "", "0 1 1 3 0 11223300 0"},
        {"and back", "",
         "type data0 41; type data1 7E; select length 3; select format 1; select format 0",
         "CAN2.0B,3,Data Frame,Hex / 41,7E,00,-00,-00,-00,-00,-00 / 00,00,00,00", "open"},
        {"ascii A", "", "select format 1; select length 1; type data0 A; click ok", "",
         "0 1 0 1 0 41000000 0"},
        {"ascii typing", "", "select format 1; type data1 éz; click ok", "", "0 1 0 8 0 7A0000 0"},
        {"ZZ in hex", "", "paste data0 ZZ; click ok", "", "refused"},
        {"ZZ in ascii", "", "select format 1; paste data0 ZZ; click ok", "",
         "0 1 0 8 0 5A000000 0"},
        {"wide char in ascii", "", "select format 1; paste data0 한; click ok", "",
         "0 1 0 8 0 0 0"},
        {"bad id", "", "paste hex3 G1; click ok", "", "refused"},
        {"protocol masks id", "0 1 1 0 1ABCDEF0 0 0", "select protocol 0; click ok",
         "CAN2.0A,0,Data Frame,Hex / -,-,-,-,-,-,-,- / -,-,DE,F0", "1 1 1 0 6F0 0 0"},
        {"Enter", "", "key data0 Return; key ok Return; key protocol Enter; key ID5 Return", "",
         "open"},
    };
    for (const char* column : {"initial", "script", "shown", "outcome"}) {
        QTest::addColumn<QString>(column);
    }
    for (const auto& r : rows) {
        QTest::newRow(r[0]) << r[1] << r[2] << r[3] << r[4];
    }
}

void TDataDlgTest::dialog()
{
    QFETCH(QString, initial);
    QFETCH(QString, script);
    QFETCH(QString, shown);
    QFETCH(QString, outcome);
    ScriptedPrompts prompts;
    CTDataDlg dialog(ParseEntry(initial), prompts);
    RunWidgetScript(dialog, script);

    if (!shown.isEmpty()) {
        QCOMPARE(Describe(dialog, "protocol length frameType format") + " / " +
                     Describe(dialog, "data0 data1 data2 data3 data4 data5 data6 data7") + " / " +
                     Describe(dialog, "hex0 hex1 hex2 hex3"),
                 shown);
    }
    if (outcome == "open" || outcome == "refused") {
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompts.stops.join(""), outcome == "open" ? "" : "데이터 입력이 잘못되었읍니다");
        return;
    }
    QCOMPARE(dialog.result(), int{QDialog::Accepted});
    const TDataEntry& e = dialog.Entry();
    QCOMPARE(e.owner, nullptr);
    QCOMPARE(QString::asprintf("%X %X %X %X %X %X %X", e.standard, e.dataFrame, e.hexInput,
                               unsigned{e.dlc}, e.id, e.dataHigh, e.dataLow),
             outcome);
}

void TDataDlgTest::tabOrder()
{
    ScriptedPrompts prompts;
    CTDataDlg dialog(CTDataDlg::AddDefaults(), prompts);
    QCOMPARE(dialog.windowTitle(), "송신 데이터 설정");
    QStringList expected = QString(
                               "protocol length frameType data0 data1 data2 data3 data4 "
                               "data5 data6 data7 format hex0 hex1 hex2 hex3 ok cancel")
                               .split(' ');
    for (int k = 0; k <= 28; ++k) {
        expected.insert(16, QStringLiteral("ID%1").arg(k));
    }
    QStringList chain;
    for (QWidget* w = dialog.findChild<QWidget*>("protocol"); chain.size() < expected.size();
         w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            chain << w->objectName();
        }
    }
    QCOMPARE(chain, expected);
}

QTEST_MAIN(TDataDlgTest)
#include "tst_tdata_dlg.moc"
