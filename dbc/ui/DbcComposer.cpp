#include "dbc/ui/DbcComposer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "canconfig/IdBits.h"
#include "canconfig/ui/IdBitEditor.h"
#include "dbc/ui/DbcHeaders.h"

namespace {

constexpr int kDataFields = 8;
const QColor kRefusedColour(0xFF, 0xC8, 0xC8);

QString Utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLineEdit* DataField(const QWidget& dialog, int i)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("data%1").arg(i));
}

// A physical value as it is typed: the number only, with the decimals of the
// signal's scale (floats as they read back).
QString EditText(const DbcSignal& signal, double physical)
{
    if (signal.valueType != DbcValueType::kInteger) {
        return QString::number(physical, 'g', signal.valueType == DbcValueType::kFloat32 ? 9 : 17);
    }
    return QString::number(physical, 'f', SignalDecimals(signal));
}

QString MessageItemText(const DbcMessage& message)
{
    char id[12];
    std::snprintf(id, sizeof id, message.extended ? "%08X" : "%03X", message.id);
    return QStringLiteral("%1 (%2)").arg(Utf8(message.name), QString::fromLatin1(id));
}

}  // namespace

DbcComposer* DbcComposer::AttachTo(QWidget& dialog, QGridLayout& layout,
                                   const DbcDatabase* database)
{
    if (database == nullptr || database->Size() == 0) {
        return nullptr;
    }
    const int last = layout.rowCount() - 1;
    QLayoutItem* buttons = layout.itemAtPosition(last, 0);
    auto* composer = new DbcComposer(*database, dialog);
    if (buttons != nullptr) {
        layout.removeItem(buttons);
        layout.addWidget(composer, last, 0, 1, layout.columnCount());
        layout.addItem(buttons, last + 1, 0, 1, layout.columnCount());
    } else {
        layout.addWidget(composer, last + 1, 0, 1, layout.columnCount());
    }
    // Tab reaches the composer where it shows: before the dialog's buttons.
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("ok"));
    auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("cancel"));
    if (ok != nullptr && cancel != nullptr) {
        QWidget::setTabOrder(composer->m_table, ok);
        QWidget::setTabOrder(ok, cancel);
    }
    return composer;
}

DbcComposer::DbcComposer(const DbcDatabase& database, QWidget& dialog)
    : QWidget(&dialog),
      m_database(database),
      m_dialog(dialog),
      m_messages(new QComboBox(this)),
      m_table(new QTableWidget(0, kColumnCount, this))
{
    setObjectName(QStringLiteral("dbcComposer"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("DBC 메시지"), this);
    label->setBuddy(m_messages);
    row->addWidget(label);
    m_messages->setObjectName(QStringLiteral("dbcMessage"));
    m_messages->addItem(QString());
    for (const auto& [key, message] : database.Messages()) {
        m_messages->addItem(MessageItemText(message));
        m_listed.push_back(&message);
    }
    row->addWidget(m_messages, 1);
    layout->addLayout(row);

    m_table->setObjectName(QStringLiteral("dbcSignals"));
    m_table->setAccessibleName(QStringLiteral("신호"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("이름"), QStringLiteral("물리값"),
                                        QStringLiteral("단위"), QStringLiteral("범위")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(kNameColumn, 160);
    m_table->setColumnWidth(kValueColumn, 110);
    m_table->setColumnWidth(kUnitColumn, 60);
    m_table->setMinimumHeight(160);
    m_table->setEnabled(false);
    layout->addWidget(m_table);

    // The table follows the bytes however they change: typed, pasted, a new
    // length or format.
    for (int i = 0; i < kDataFields; ++i) {
        if (QLineEdit* field = DataField(dialog, i)) {
            connect(field, &QLineEdit::textChanged, this, [this] {
                if (!m_writing) {
                    ShowValues();
                }
            });
        }
    }
    connect(m_messages, &QComboBox::currentIndexChanged, this, &DbcComposer::OnMessageChosen);
    connect(m_table, &QTableWidget::itemChanged, this, &DbcComposer::OnValueEdited);

    // An entry opened for modifying that a DBC message describes shows that
    // message's signals, without changing any of its fields.
    auto* protocol = dialog.findChild<QComboBox*>(QStringLiteral("protocol"));
    auto* idEditor = dialog.findChild<IdBitEditor*>(QStringLiteral("idEditor"));
    if (protocol != nullptr && idEditor != nullptr) {
        const bool extended = protocol->currentIndex() == 1;
        if (const DbcMessage* message = database.Find(extended, idEditor->Value())) {
            const auto at = std::find(m_listed.begin(), m_listed.end(), message);
            const QSignalBlocker quiet(m_messages);
            m_messages->setCurrentIndex(static_cast<int>(at - m_listed.begin()) + 1);
            m_chosen = message;
            ShowSignals();
        }
    }
}

DbcComposer::~DbcComposer() = default;

void DbcComposer::OnMessageChosen(int index)
{
    m_chosen = index > 0 ? m_listed[static_cast<size_t>(index - 1)] : nullptr;
    if (m_chosen != nullptr) {
        // In the order the dialog's own handlers expect: a data frame first
        // (its length list enabled), then the protocol (the editor's width),
        // then the identifier in that width, then the length.
        if (auto* frameType = m_dialog.findChild<QComboBox*>(QStringLiteral("frameType"))) {
            frameType->setCurrentIndex(0);
        }
        if (auto* protocol = m_dialog.findChild<QComboBox*>(QStringLiteral("protocol"))) {
            protocol->setCurrentIndex(m_chosen->extended ? 1 : 0);
        }
        if (auto* idEditor = m_dialog.findChild<IdBitEditor*>(QStringLiteral("idEditor"))) {
            idEditor->Load(m_chosen->id, m_chosen->extended ? IdWidth::k29Bit : IdWidth::k11Bit);
        }
        if (auto* length = m_dialog.findChild<QComboBox*>(QStringLiteral("length"))) {
            length->setCurrentIndex(std::clamp(m_chosen->length, 0, kDataFields));
        }
    }
    ShowSignals();
}

void DbcComposer::ShowSignals()
{
    const QSignalBlocker quiet(m_table);
    m_table->setRowCount(0);
    m_table->setEnabled(m_chosen != nullptr);
    if (m_chosen == nullptr) {
        return;
    }
    const std::vector<DbcSignal>& list = MessageSignals(*m_chosen);
    m_table->setRowCount(static_cast<int>(list.size()));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const DbcSignal& signal = list[static_cast<size_t>(row)];
        const auto fixed = [](const QString& text) {
            auto* item = new QTableWidgetItem(text);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            return item;
        };
        QString name = Utf8(signal.name);
        if (signal.muxRole == DbcMuxRole::kMultiplexed) {
            name += QStringLiteral(" (m%1)").arg(signal.muxValue);
        }
        m_table->setItem(row, kNameColumn, fixed(name));
        m_table->setItem(row, kValueColumn, new QTableWidgetItem);
        m_table->setItem(row, kUnitColumn, fixed(Utf8(signal.unit)));
        m_table->setItem(row, kRangeColumn,
                         fixed(signal.HasRange()
                                   ? QStringLiteral("%1 ~ %2").arg(EditText(signal, signal.minimum),
                                                                   EditText(signal, signal.maximum))
                                   : QString()));
    }
    ShowValues();
}

void DbcComposer::ShowValues()
{
    if (m_chosen == nullptr) {
        return;
    }
    uint8_t bytes[kDataFields];
    ReadBytes(bytes);
    const int length = Length();
    const std::vector<DbcSignal>& list = MessageSignals(*m_chosen);
    const QSignalBlocker quiet(m_table);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const DbcSignalValue value = DecodeSignal(list[static_cast<size_t>(row)], bytes, length);
        QTableWidgetItem* item = m_table->item(row, kValueColumn);
        item->setText(value.available ? EditText(*value.signal, value.physical) : QString());
        item->setBackground(QBrush());
        item->setToolTip(value.valueText.empty() ? QString() : Utf8(std::string(value.valueText)));
    }
}

void DbcComposer::OnValueEdited(QTableWidgetItem* item)
{
    if (m_writing || m_chosen == nullptr || item->column() != kValueColumn) {
        return;
    }
    const DbcSignal& signal = MessageSignals(*m_chosen)[static_cast<size_t>(item->row())];
    bool number = false;
    const double physical = item->text().trimmed().toDouble(&number);
    if (!number || !std::isfinite(physical)) {
        Refuse(item, QStringLiteral("숫자로 읽을 수 없읍니다"));
        return;
    }
    const int length = Length();
    if (signal.lastByte >= length) {
        Refuse(item, QStringLiteral("신호가 데이터 길이 밖에 있읍니다"));
        return;
    }
    uint8_t bytes[kDataFields];
    ReadBytes(bytes);
    switch (EncodeSignal(signal, physical, bytes)) {
    case DbcEncodeStatus::kOk:
        break;
    case DbcEncodeStatus::kNotInFrame:
        Refuse(item, QStringLiteral("신호가 데이터 길이 밖에 있읍니다"));
        return;
    case DbcEncodeStatus::kOutOfRawRange:
        Refuse(item, QStringLiteral("신호의 %1비트에 담을 수 없는 값이라 쓰지 않았읍니다")
                         .arg(signal.length));
        return;
    case DbcEncodeStatus::kOutsideRange:
        Refuse(item, QStringLiteral("범위(%1 ~ %2)를 벗어난 값이라 쓰지 않았읍니다")
                         .arg(EditText(signal, signal.minimum), EditText(signal, signal.maximum)));
        return;
    }
    WriteBytes(bytes, length);
    // Every value again: the typed one as the bytes now hold it (rounded to
    // the signal's step), and any other signal that shares its bits.
    ShowValues();
}

void DbcComposer::Refuse(QTableWidgetItem* item, const QString& reason)
{
    const QSignalBlocker quiet(m_table);
    item->setBackground(kRefusedColour);
    item->setToolTip(reason);
}

int DbcComposer::Length() const
{
    const auto* length = m_dialog.findChild<QComboBox*>(QStringLiteral("length"));
    return length != nullptr ? length->currentIndex() : 0;
}

bool DbcComposer::HexFormat() const
{
    const auto* format = m_dialog.findChild<QComboBox*>(QStringLiteral("format"));
    return format == nullptr || format->currentIndex() == 0;
}

void DbcComposer::ReadBytes(uint8_t bytes[8]) const
{
    const bool hex = HexFormat();
    for (int i = 0; i < kDataFields; ++i) {
        const QLineEdit* field = DataField(m_dialog, i);
        const QString text = field != nullptr ? field->text() : QString();
        if (hex) {
            bytes[i] = HexFieldByte(text.toStdString());
        } else {
            bytes[i] = text.isEmpty() ? 0 : static_cast<uint8_t>(text[0].unicode() & 0xFF);
        }
    }
}

void DbcComposer::WriteBytes(const uint8_t bytes[8], int length)
{
    const bool hex = HexFormat();
    m_writing = true;
    for (int i = 0; i < length && i < kDataFields; ++i) {
        if (QLineEdit* field = DataField(m_dialog, i)) {
            // As the dialog shows a byte in its format: "%02X", or the
            // character, a byte 0 as an empty field.
            field->setText(hex ? QString::fromStdString(ByteText(bytes[i]))
                               : (bytes[i] == 0 ? QString() : QString(QChar(char16_t{bytes[i]}))));
        }
    }
    m_writing = false;
}
