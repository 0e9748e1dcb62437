#include <QCheckBox>
#include <QTest>

#include "canconfig/ui/IdBitEditor.h"
#include "tests/common/WidgetScript.h"

class IdBitEditorTest : public QObject {
    Q_OBJECT

private slots:
    void handlers_data();
    void handlers();
};

void IdBitEditorTest::handlers_data()
{
    // Fields as shown ("-" when disabled), ticked boxes and Value in hex, Validate.
    const char* const rows[][3] = {
        {"FF clamped", "type hex0 FF", "1F,,, 1f000000 1f000000 1"},
        {"one digit", "type hex0 F", "F,,, f000000 f000000 1"},
        {"11-bit 9, Tab", "width 11; type hex2 9; key hex2 Tab", "-,-,01, 100 100 1"},
        {"ID28", "click ID28", "10,,, 10000000 10000000 1"},
        {"ID3, ID7", "load A0 29; click ID3; click ID7", "00,00,00,28 28 28 1"},
        {"then 11-bit", "load 1ABCDEF0 29; width 11", "-,-,DE,F0 6f0 6f0 1"},
        {"11-bit load", "load FFFFFFFF 11", "-,-,07,FF 7ff 7ff 1"},
        {"G1 pasted", "load 55 29; paste hex3 G1", "00,00,00,G1 55 0 0"},
        {"typed", "type hex3 G-aB; key hex3 Left; key hex3 Del", ",,,a a a 1"},
        {"emptied", "load 5A 29; key hex3 Ctrl+A; key hex3 Backspace", "00,00,00, 0 0 1"},
    };
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    for (const auto& r : rows) {
        QTest::newRow(r[0]) << r[1] << r[2];
    }
}

void IdBitEditorTest::handlers()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);
    IdBitEditor editor("송신 ID");
    RunWidgetScript(editor, script, [&editor](const QStringList& w) {
        const IdWidth width = w.last() == "11" ? IdWidth::k11Bit : IdWidth::k29Bit;
        if (w[0] == "load") {
            editor.Load(w[1].toUInt(nullptr, 16), width);
        } else {
            editor.SetWidth(width);
        }
    });

    uint checked = 0;
    for (int k = 0; k < 29; ++k) {
        checked |= uint{editor.BitBox(k)->isChecked()} << k;
        QCOMPARE(editor.BitBox(k)->isEnabled(), k < 11 || editor.Field(0)->isEnabled());
    }
    QCOMPARE(QStringList({Describe(editor, "hex0 hex1 hex2 hex3"), QString::number(checked, 16),
                          QString::number(editor.Value(), 16), QString::number(editor.Validate())})
                 .join(' '),
             expected);
}

QTEST_MAIN(IdBitEditorTest)
#include "tst_id_bit_editor.moc"
