// The transmit-data dialog with DBC messages to offer: filling the frame from
// a message and from physical values, refusals, and an entry that is the same
// as one typed by hand, down to the ".ctd" bytes.
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "canconfig/ui/IdBitEditor.h"
#include "dbc/ui/DbcComposer.h"
#include "dbc/ui/DbcHeaders.h"
#include "tests/common/ScriptedPrompts.h"
#include "tests/dbc/DbcTestFiles.h"
#include "txlist/TDataEntry.h"
#include "txlist/TransmitFile.h"
#include "txlist/ui/CTDataDlg.h"

namespace {

QStringList DataTexts(const QDialog& dialog)
{
    QStringList texts;
    for (int i = 0; i < 8; ++i) {
        const auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("data%1").arg(i));
        texts << (field->isEnabled() ? field->text() : QStringLiteral("-"));
    }
    return texts;
}

int Index(const QDialog& dialog, const char* list)
{
    return dialog.findChild<QComboBox*>(QLatin1String(list))->currentIndex();
}

uint32_t IdValue(const QDialog& dialog)
{
    return dialog.findChild<IdBitEditor*>(QStringLiteral("idEditor"))->Value();
}

// The next widget Tab stops at.
QWidget* NextTabStop(QWidget* from)
{
    QWidget* next = from->nextInFocusChain();
    while (next != from && !(next->focusPolicy() & Qt::TabFocus)) {
        next = next->nextInFocusChain();
    }
    return next;
}

std::string CtdBytes(const TDataEntry& entry)
{
    CTDataObject list;
    list.AppendLoaded(std::make_unique<TDataEntry>(entry));
    return SerializeTransmitList(list);
}

}  // namespace

class DbcComposerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        const QString path = WriteTextFile(QDir(m_folder.path()), "engine.dbc", kEngineDbc);
        QVERIFY(LoadDbcFiles({path.toStdString()}, m_database).ok);
    }

    void NoMessagesLeaveTheDialogAsItIs()
    {
        ScriptedPrompts prompts;
        CTDataDlg plain(CTDataDlg::AddDefaults(), prompts);
        const QSize size = plain.sizeHint();
        const DbcDatabase empty;
        for (const DbcDatabase* database : {static_cast<const DbcDatabase*>(nullptr), &empty}) {
            CTDataDlg dialog(CTDataDlg::AddDefaults(), prompts);
            dialog.SetDbcDatabase(database);
            QCOMPARE(dialog.findChild<DbcComposer*>(), nullptr);
            QCOMPARE(dialog.sizeHint(), size);
        }
    }

    void MessageSetsTheFrameAndValuesSetTheBytes()
    {
        ScriptedPrompts prompts;
        CTDataDlg dialog(CTDataDlg::AddDefaults(), prompts);
        dialog.SetDbcDatabase(&m_database);
        auto* composer = dialog.findChild<DbcComposer*>();
        QVERIFY(composer != nullptr);
        QComboBox* messages = composer->MessageList();
        QCOMPARE(messages->itemText(0), QString());
        QCOMPARE(messages->itemText(4), QStringLiteral("Extended (18F004FF)"));

        // A remote frame with an 11-bit message chosen: a data frame of the
        // message's protocol, identifier and length.
        dialog.findChild<QComboBox*>(QStringLiteral("frameType"))->setCurrentIndex(1);
        messages->setCurrentIndex(4);
        QCOMPARE(Index(dialog, "protocol"), 1);
        QCOMPARE(Index(dialog, "frameType"), 0);
        QCOMPARE(Index(dialog, "length"), 4);
        QCOMPARE(IdValue(dialog), 0x18F004FFu);
        messages->setCurrentIndex(2);
        QCOMPARE(Index(dialog, "protocol"), 0);
        QCOMPARE(Index(dialog, "length"), 8);
        QCOMPARE(IdValue(dialog), 0x123u);

        QTableWidget* table = composer->SignalTable();
        QCOMPARE(table->rowCount(), 3);
        // Tab runs through the composer, where it shows, before the buttons.
        QWidget* ok = dialog.findChild<QWidget*>(QStringLiteral("ok"));
        QCOMPARE(NextTabStop(messages), table);
        QCOMPARE(NextTabStop(table), ok);
        QCOMPARE(NextTabStop(ok), dialog.findChild<QWidget*>(QStringLiteral("cancel")));
        QCOMPARE(table->item(0, DbcComposer::kNameColumn)->text(), QStringLiteral("EngineSpeed"));
        QCOMPARE(table->item(0, DbcComposer::kRangeColumn)->text(),
                 QStringLiteral("0.00 ~ 16000.00"));
        QCOMPARE(table->item(2, DbcComposer::kUnitColumn)->text(), QStringLiteral("degC"));
        QCOMPARE(table->item(2, DbcComposer::kValueColumn)->text(), QStringLiteral("-40"));

        // Typed values become the bytes, in the dialog's hex fields.
        table->item(0, DbcComposer::kValueColumn)->setText(QStringLiteral("2500"));
        table->item(1, DbcComposer::kValueColumn)->setText(QStringLiteral("2"));
        table->item(2, DbcComposer::kValueColumn)->setText(QStringLiteral("60"));
        QCOMPARE(DataTexts(dialog), (QStringList{"27", "10", "02", "64", "00", "00", "00", "00"}));
        QCOMPARE(table->item(0, DbcComposer::kValueColumn)->text(), QStringLiteral("2500.00"));
        QCOMPARE(table->item(1, DbcComposer::kValueColumn)->toolTip(), QStringLiteral("Drive"));

        // Refused: the cell says why and the bytes stay.
        const struct {
            int row;
            const char* typed;
            const char* reason;
        } refusals[] = {
            {2, "150", "범위(-40 ~ 100)를 벗어난 값이라 쓰지 않았읍니다"},
            {1, "16", "신호의 4비트에 담을 수 없는 값이라 쓰지 않았읍니다"},
            {0, "fast", "숫자로 읽을 수 없읍니다"},
        };
        for (const auto& refusal : refusals) {
            QTableWidgetItem* item = table->item(refusal.row, DbcComposer::kValueColumn);
            item->setText(QString::fromUtf8(refusal.typed));
            QCOMPARE(item->toolTip(), QString::fromUtf8(refusal.reason));
            QCOMPARE(item->background().color(), QColor(0xFF, 0xC8, 0xC8));
            QCOMPARE(DataTexts(dialog),
                     (QStringList{"27", "10", "02", "64", "00", "00", "00", "00"}));
        }

        // Bytes typed by hand show in the table; a signal beyond a shortened
        // length is refused.
        dialog.findChild<QLineEdit*>(QStringLiteral("data2"))->setText(QStringLiteral("01"));
        QCOMPARE(table->item(1, DbcComposer::kValueColumn)->text(), QStringLiteral("1"));
        dialog.findChild<QComboBox*>(QStringLiteral("length"))->setCurrentIndex(3);
        QCOMPARE(table->item(2, DbcComposer::kValueColumn)->text(), QString());
        table->item(2, DbcComposer::kValueColumn)->setText(QStringLiteral("0"));
        QCOMPARE(table->item(2, DbcComposer::kValueColumn)->toolTip(),
                 QString::fromUtf8("신호가 데이터 길이 밖에 있읍니다"));
        QCOMPARE(DataTexts(dialog), (QStringList{"27", "10", "01", "-", "-", "-", "-", "-"}));
    }

    // The entry composed from signals in "Ascii" format is the one typed by
    // hand, and so are its ".ctd" bytes.
    void ComposedEntryIsAnOrdinaryEntry()
    {
        ScriptedPrompts prompts;
        CTDataDlg composed(CTDataDlg::AddDefaults(), prompts);
        composed.SetDbcDatabase(&m_database);
        composed.findChild<QComboBox*>(QStringLiteral("format"))->setCurrentIndex(1);
        auto* composer = composed.findChild<DbcComposer*>();
        composer->MessageList()->setCurrentIndex(2);
        composer->SignalTable()->item(0, DbcComposer::kValueColumn)->setText("4160.25");
        composer->SignalTable()->item(2, DbcComposer::kValueColumn)->setText("25");
        QCOMPARE(DataTexts(composed), (QStringList{"A", "\x01", "", "A", "", "", "", ""}));
        composed.accept();
        QCOMPARE(composed.result(), int(QDialog::Accepted));

        CTDataDlg typed(CTDataDlg::AddDefaults(), prompts);
        typed.findChild<QComboBox*>(QStringLiteral("protocol"))->setCurrentIndex(0);
        typed.findChild<QComboBox*>(QStringLiteral("format"))->setCurrentIndex(1);
        auto* idEditor = typed.findChild<IdBitEditor*>(QStringLiteral("idEditor"));
        idEditor->Field(2)->setText(QStringLiteral("01"));
        idEditor->Field(3)->setText(QStringLiteral("23"));
        typed.findChild<QLineEdit*>(QStringLiteral("data0"))->setText(QStringLiteral("A"));
        typed.findChild<QLineEdit*>(QStringLiteral("data1"))->setText(QStringLiteral("\x01"));
        typed.findChild<QLineEdit*>(QStringLiteral("data3"))->setText(QStringLiteral("A"));
        typed.accept();
        QCOMPARE(typed.result(), int(QDialog::Accepted));

        const TDataEntry& entry = composed.Entry();
        QCOMPARE(entry.id, 0x123u);
        QCOMPARE(entry.dataHigh, 0x41010041u);
        QCOMPARE(entry.hexInput, 0u);
        QCOMPARE(CtdBytes(entry), CtdBytes(typed.Entry()));
    }

    // An entry a message describes, opened for modifying, shows its values
    // and keeps every field as it was stored.
    void ModifiedEntryShowsItsMessage()
    {
        ScriptedPrompts prompts;
        const TDataEntry stored{nullptr, 1, 1, 1, 2, 0x200, 0x02280000, 0};
        CTDataDlg dialog(stored, prompts);
        dialog.SetDbcDatabase(&m_database);
        auto* composer = dialog.findChild<DbcComposer*>();
        QCOMPARE(composer->MessageList()->currentIndex(), 3);
        QCOMPARE(composer->SignalTable()->item(0, DbcComposer::kValueColumn)->text(),
                 QStringLiteral("2"));
        QCOMPARE(composer->SignalTable()->item(2, DbcComposer::kNameColumn)->text(),
                 QStringLiteral("Level (m2)"));
        QCOMPARE(composer->SignalTable()->item(2, DbcComposer::kValueColumn)->text(),
                 QStringLiteral("40"));
        QCOMPARE(Index(dialog, "length"), 2);
        dialog.accept();
        QCOMPARE(CtdBytes(dialog.Entry()), CtdBytes(stored));
    }

private:
    QTemporaryDir m_folder;
    DbcDatabase m_database;
};

QTEST_MAIN(DbcComposerTest)
#include "tst_dbc_composer.moc"
