#include "txlist/ui/CTDataDlg.h"

#include <array>

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "canconfig/IdBits.h"
#include "canconfig/ui/IdBitEditor.h"
#include "common/TextFormat.h"
#include "common/ui/MessageBoxes.h"
#include "common/ui/TypedCharFilter.h"
#include "dbc/ui/DbcComposer.h"

namespace {

constexpr int kDataFields = 8;

// A hex field as one character: its leading hex digits' low byte as the
// character code; a byte 0 shows as an empty field.
QString ToCharText(const QString& hex)
{
    const uint8_t code = LeadingHexByte(hex.toStdString());
    return code == 0 ? QString() : QString(QChar(char16_t{code}));
}

// A character field as two hex digits; an empty field is 00. Character fields
// hold codes up to 0xFF only (see the validator in SetDataFormat).
QString ToHexText(const QString& chars)
{
    const auto code = chars.isEmpty() ? uint8_t{0} : static_cast<uint8_t>(chars[0].unicode());
    return QString::fromStdString(ByteText(code));
}

}  // namespace

struct CTDataDlg::Controls {
    QComboBox* protocol = nullptr;
    QComboBox* length = nullptr;
    QComboBox* frameType = nullptr;
    std::array<QLineEdit*, kDataFields> data{};
    QComboBox* format = nullptr;
    IdBitEditor* idEditor = nullptr;
    TypedCharFilter filter{&TypedCharFilter::HexDigit};
    QValidator* byteChars = nullptr;
};

TDataEntry CTDataDlg::AddDefaults()
{
    return {nullptr, 0, 1, 1, 8, 0, 0, 0};
}

CTDataDlg::CTDataDlg(const TDataEntry& initial, MessageBoxes& boxes, QWidget* parent)
    : EnterIgnoringDialog(parent), m_entry(initial), m_boxes(boxes), m_controls(new Controls)
{
    setWindowTitle(QStringLiteral("송신 데이터 설정"));
    Controls& c = *m_controls;
    // Controls are made in visual order, which is also the tab order.
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    const auto addList = [this, grid](const QString& label, const char* name,
                                      const QStringList& items, int row, int column) {
        grid->addWidget(new QLabel(label, this), row, column);
        auto* list = new QComboBox(this);
        list->setObjectName(QLatin1String(name));
        list->addItems(items);
        grid->addWidget(list, row, column + 1);
        return list;
    };
    c.protocol = addList(QStringLiteral("프로토콜"), "protocol", {"CAN2.0A", "CAN2.0B"}, 0, 0);
    c.length = addList(QStringLiteral("데이터 길이"), "length",
                       {"0", "1", "2", "3", "4", "5", "6", "7", "8"}, 0, 2);
    c.frameType =
        addList(QStringLiteral("Frame 타입"), "frameType", {"Data Frame", "Remote Frame"}, 0, 4);

    grid->addWidget(new QLabel(QStringLiteral("데이터"), this), 1, 0);
    auto* dataRow = new QHBoxLayout;
    for (int i = 0; i < kDataFields; ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("data%1").arg(i));
        field->setMaxLength(2);
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12);
        c.filter.Watch(field);
        dataRow->addWidget(field);
        c.data[i] = field;
    }
    grid->addLayout(dataRow, 1, 1, 1, 3);
    c.format = addList(QStringLiteral("형식"), "format", {"Hex", "Ascii"}, 1, 4);
    c.byteChars = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x{0}-\\x{ff}]*")), this);

    c.idEditor = new IdBitEditor(QStringLiteral("송신 ID"), QString(), this);
    c.idEditor->setObjectName(QStringLiteral("idEditor"));
    grid->addWidget(c.idEditor, 2, 0, 1, 6);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const auto addButton = [this, buttons](const QString& caption, const char* name) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        // Enter presses no button.
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    connect(addButton(QStringLiteral("설정"), "ok"), &QPushButton::clicked, this,
            &CTDataDlg::accept);
    connect(addButton(QStringLiteral("취소"), "cancel"), &QPushButton::clicked, this,
            &CTDataDlg::reject);
    grid->addLayout(buttons, 3, 0, 1, 6);

    // Opening: fit the stored fields, then show them.
    m_entry.owner = nullptr;
    // Any non-zero flag (a file may hold 2) means 11-bit, as the row shows it
    // and the send uses it.
    const bool standard = m_entry.standard != 0;
    m_entry.id &= IdMask(!standard);
    if (m_entry.dlc > kDataFields) {
        m_entry.dlc = kDataFields;
    }
    c.idEditor->Load(m_entry.id, standard ? IdWidth::k11Bit : IdWidth::k29Bit);
    for (int i = kDataFields - 1; i >= 0; --i) {
        c.data[i]->setText(QString::fromStdString(ByteText(EntryDataByte(m_entry, i))));
    }
    if (m_entry.hexInput == 1) {
        c.format->setCurrentIndex(0);
    } else {
        for (QLineEdit* field : c.data) {
            field->setText(ToCharText(field->text()));
        }
        SetDataFormat(false);
        c.format->setCurrentIndex(1);
    }
    c.protocol->setCurrentIndex(standard ? 0 : 1);
    ApplyLength(m_entry.dlc);
    c.length->setCurrentIndex(m_entry.dlc);
    if (m_entry.dataFrame == 0) {
        c.frameType->setCurrentIndex(1);
        ApplyRemoteFrame();
    } else {
        c.frameType->setCurrentIndex(0);
        c.length->setEnabled(true);
    }

    // The handlers follow the user's choices only: a list raises them when its
    // selection actually changes, so choosing the current format again does
    // not convert the fields a second time.
    connect(c.protocol, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_controls->idEditor->SetWidth(index == 0 ? IdWidth::k11Bit : IdWidth::k29Bit);
    });
    connect(c.frameType, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index == 1) {
            ApplyRemoteFrame();
        } else {
            m_controls->length->setEnabled(true);
        }
    });
    connect(c.length, &QComboBox::currentIndexChanged, this, &CTDataDlg::ApplyLength);
    connect(c.format, &QComboBox::currentIndexChanged, this, &CTDataDlg::OnFormatChanged);
}

CTDataDlg::~CTDataDlg()
{
    delete m_controls;
}

void CTDataDlg::SetDbcDatabase(const DbcDatabase* database)
{
    DbcComposer::AttachTo(*this, *static_cast<QGridLayout*>(layout()), database);
}

bool CTDataDlg::HexFormat() const
{
    return m_controls->format->currentIndex() == 0;
}

void CTDataDlg::ApplyLength(int length)
{
    for (int i = 0; i < kDataFields; ++i) {
        if (i >= length) {
            m_controls->data[i]->clear();
        }
        m_controls->data[i]->setEnabled(i < length);
    }
}

void CTDataDlg::ApplyRemoteFrame()
{
    {
        const QSignalBlocker quiet(m_controls->length);
        m_controls->length->setCurrentIndex(0);
    }
    m_controls->length->setEnabled(false);
    ApplyLength(0);
}

void CTDataDlg::OnFormatChanged(int index)
{
    const bool hex = index == 0;
    for (QLineEdit* field : m_controls->data) {
        field->setMaxLength(2);
        field->setText(hex ? ToHexText(field->text()) : ToCharText(field->text()));
    }
    SetDataFormat(hex);
}

void CTDataDlg::SetDataFormat(bool hex)
{
    m_controls->filter.SetRule(hex ? &TypedCharFilter::HexDigit : &TypedCharFilter::Ascii);
    for (QLineEdit* field : m_controls->data) {
        field->setMaxLength(hex ? 2 : 1);
        // A pasted text in "Hex" is checked at "설정"; in "Ascii" a character
        // that is not one byte cannot be pasted.
        field->setValidator(hex ? nullptr : m_controls->byteChars);
    }
}

uint8_t CTDataDlg::DataByte(int i) const
{
    const QString text = m_controls->data[i]->text();
    return HexFieldByte((HexFormat() ? text : ToHexText(text)).toStdString());
}

void CTDataDlg::accept()
{
    const Controls& c = *m_controls;
    const bool hex = HexFormat();
    const int length = c.length->currentIndex();
    bool valid = c.idEditor->Validate();
    for (int i = 0; valid && hex && i < length; ++i) {
        valid = IsHexText(c.data[i]->text().toStdString());
    }
    if (!valid) {
        m_boxes.Stop(this, QStringLiteral("데이터 입력이 잘못되었읍니다"));
        return;
    }

    m_entry.standard = c.protocol->currentIndex() == 0 ? 1 : 0;
    m_entry.dataFrame = c.frameType->currentIndex() == 0 ? 1 : 0;
    m_entry.hexInput = hex ? 1 : 0;
    m_entry.dlc = static_cast<uint8_t>(length);
    m_entry.id = c.idEditor->Value();
    for (int i = 0; i < kDataFields; ++i) {
        SetEntryDataByte(m_entry, i, DataByte(i));
    }
    EnterIgnoringDialog::accept();
}
