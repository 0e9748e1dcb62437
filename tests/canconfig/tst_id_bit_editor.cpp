#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeySequence>
#include <QLineEdit>
#include <QTest>

#include "canconfig/ui/IdBitEditor.h"

namespace {

// Steps separated by ";": "load <hex> <11|29>", "width <11|29>", "click <bit>",
// and on a field: "type <f> <keys>", "key <f> <key name>", "paste <f> <text>".
void Run(IdBitEditor& editor, const QString& script)
{
    for (const QString& step : script.split(';')) {
        const QStringList w = step.trimmed().split(' ');
        const IdWidth width = w.value(2, w.value(1)) == "11" ? IdWidth::k11Bit : IdWidth::k29Bit;
        if (w[0] == "load") {
            editor.Load(w[1].toUInt(nullptr, 16), width);
        } else if (w[0] == "width") {
            editor.SetWidth(width);
        } else if (w[0] == "click") {
            editor.BitBox(w[1].toInt())->click();
        } else {
            QLineEdit* field = editor.Field(w[1].toInt());
            field->setFocus();
            if (w[0] == "type") {
                QTest::keyClicks(field, w[2]);
            } else if (w[0] == "key") {
                QTest::keyClick(field, QKeySequence::fromString(w[2])[0].key());
            } else {
                QGuiApplication::clipboard()->setText(w[2]);
                field->selectAll();
                QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            }
        }
    }
}

}  // namespace

class IdBitEditorTest : public QObject {
    Q_OBJECT

private slots:
    void handlers_data();
    void handlers();
    void layout();
};

void IdBitEditorTest::handlers_data()
{
    struct Row {
        const char *name, *script, *texts;
        uint ticked, value;
        bool valid;
    };
    const Row rows[] = {
        {"FF clamped", "type 0 FF", "1F,,,", 0x1F000000, 0x1F000000, true},
        {"one digit", "type 0 F", "F,,,", 0x0F000000, 0x0F000000, true},
        {"11-bit 9", "width 11; type 2 9", ",,9,", 0x100, 0x100, true},
        {"11-bit 9, Tab", "width 11; type 2 9; key 2 Tab", ",,01,", 0x100, 0x100, true},
        {"ID28", "click 28", "10,,,", 0x10000000, 0x10000000, true},
        {"ID3", "load A0 29; click 3", "00,00,00,A8", 0xA8, 0xA8, true},
        {"ID3, ID7", "load A0 29; click 3; click 7", "00,00,00,28", 0x28, 0x28, true},
        {"29-bit load", "load 1ABCDEF0 29", "1A,BC,DE,F0", 0x1ABCDEF0, 0x1ABCDEF0, true},
        {"then 11-bit", "load 1ABCDEF0 29; width 11", ",,DE,F0", 0x6F0, 0x6F0, true},
        {"11-bit load", "load FFFFFFFF 11", ",,07,FF", 0x7FF, 0x7FF, true},
        {"G1 pasted", "load 55 29; paste 3 G1", "00,00,00,G1", 0x55, 0, false},
        {"typed non-hex", "type 3 G-aB", ",,,aB", 0xAB, 0xAB, true},
        {"editing keys", "type 3 aB; key 3 Left; key 3 Del", ",,,a", 0x0A, 0x0A, true},
        {"emptied", "load 5A 29; key 3 End; key 3 Backspace; key 3 Backspace", "00,00,00,", 0, 0,
         true},
    };
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("texts");
    QTest::addColumn<uint>("ticked");
    QTest::addColumn<uint>("value");
    QTest::addColumn<bool>("valid");
    for (const Row& r : rows) {
        QTest::newRow(r.name) << r.script << r.texts << r.ticked << r.value << r.valid;
    }
}

void IdBitEditorTest::handlers()
{
    QFETCH(QString, script);
    QFETCH(QString, texts);
    QFETCH(uint, ticked);
    QFETCH(uint, value);
    QFETCH(bool, valid);
    IdBitEditor editor("송신 ID");
    editor.show();
    editor.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    Run(editor, script);

    QStringList shown;
    uint checked = 0;
    for (int f = 0; f < 4; ++f) {
        shown << editor.Field(f)->text();
    }
    for (int k = 0; k < 29; ++k) {
        checked |= uint{editor.BitBox(k)->isChecked()} << k;
    }
    QCOMPARE(shown.join(','), texts);
    QCOMPARE(checked, ticked);
    QCOMPARE(editor.Value(), value);
    QCOMPARE(editor.Validate(), valid);
    const bool extended = editor.Width() == IdWidth::k29Bit;
    QCOMPARE(editor.Field(1)->isEnabled(), extended);
    QCOMPARE(editor.BitBox(11)->isEnabled(), extended);
    QCOMPARE(editor.BitBox(28)->isEnabled(), extended);
    QVERIFY(editor.BitBox(10)->isEnabled());
}

void IdBitEditorTest::layout()
{
    IdBitEditor editor("수신 Mask ID", "[ 비트값이 0이면 해당 비트가 No Mask임 ]");
    QStringList expected = {"hex0", "hex1", "hex2", "hex3"};
    for (int k = 28; k >= 0; --k) {
        expected << QStringLiteral("ID%1").arg(k);
        QCOMPARE(editor.BitBox(k)->text(), expected.last());
    }
    QStringList chain;
    for (QWidget* w = editor.Field(0); chain.size() < expected.size(); w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            chain << w->objectName();
        }
    }
    QCOMPARE(chain, expected);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QVERIFY(editor.BitBox(28)->x() < editor.BitBox(27)->x());
    QCOMPARE(editor.BitBox(28)->x(), editor.BitBox(20)->x());  // right-aligned above ID23..ID16
    QVERIFY(editor.BitBox(28)->y() < editor.BitBox(20)->y());
}

QTEST_MAIN(IdBitEditorTest)
#include "tst_id_bit_editor.moc"
