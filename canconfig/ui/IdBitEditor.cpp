#include "canconfig/ui/IdBitEditor.h"

#include <array>

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "canconfig/IdBits.h"
#include "common/TextFormat.h"
#include "common/ui/TypedCharFilter.h"

namespace {

constexpr int kFields = 4;
constexpr int kBits = 29;
constexpr int kFirstWideBit = 11;  // ID11..ID28 exist in 29-bit width only

std::string Text(const QLineEdit* field)
{
    return field->text().toStdString();
}

}  // namespace

struct IdBitEditor::Controls {
    std::array<QLineEdit*, kFields> fields{};
    std::array<QCheckBox*, kBits> boxes{};
    TypedCharFilter filter{&TypedCharFilter::HexDigit};
};

IdBitEditor::IdBitEditor(const QString& caption, const QString& note, QWidget* parent)
    : QGroupBox(caption, parent), m_controls(new Controls)
{
    // Columns 1..8 hold one box each, the higher bit to the left; each field
    // spans two of them in the row above the boxes.
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Hex"), this), 0, 0);
    for (int f = 0; f < kFields; ++f) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("hex%1").arg(f));
        field->setMaxLength(2);
        field->setAlignment(Qt::AlignCenter);
        m_controls->filter.Watch(field);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textChanged, this, [this, f] { OnFieldChanged(f); });
        grid->addWidget(field, 0, 1 + 2 * f, 1, 2);
        m_controls->fields[f] = field;
    }

    grid->addWidget(new QLabel(QStringLiteral("Bit"), this), 1, 0);
    for (int bit = kBits - 1; bit >= 0; --bit) {
        auto* box = new QCheckBox(QStringLiteral("ID%1").arg(bit), this);
        box->setObjectName(box->text());
        connect(box, &QCheckBox::clicked, this,
                [this, bit](bool checked) { OnBoxClicked(bit, checked); });
        // Row 1 holds ID28..ID24 in its right-most five columns.
        grid->addWidget(box, 1 + (3 - bit / 8), 8 - bit % 8);
        m_controls->boxes[bit] = box;
    }

    if (!note.isEmpty()) {
        grid->addWidget(new QLabel(note, this), 5, 0, 1, 9);
    }
}

IdBitEditor::~IdBitEditor()
{
    delete m_controls;
}

QLineEdit* IdBitEditor::Field(int index) const
{
    return index >= 0 && index < kFields ? m_controls->fields[index] : nullptr;
}

QCheckBox* IdBitEditor::BitBox(int bit) const
{
    return bit >= 0 && bit < kBits ? m_controls->boxes[bit] : nullptr;
}

void IdBitEditor::Load(uint32_t value, IdWidth width)
{
    m_width = width;
    value &= IdMask(Extended());
    for (int f = 0; f < kFields; ++f) {
        Rewrite(f, static_cast<uint8_t>(value >> (8 * (3 - f))));
    }
    SetWidth(width);
}

void IdBitEditor::SetWidth(IdWidth width)
{
    m_width = width;
    const bool extended = Extended();
    for (int f = 0; f < 2; ++f) {
        if (!extended) {
            m_controls->fields[f]->clear();
        }
        m_controls->fields[f]->setEnabled(extended);
    }
    for (int bit = kFirstWideBit; bit < kBits; ++bit) {
        if (!extended) {
            m_controls->boxes[bit]->setChecked(false);
        }
        m_controls->boxes[bit]->setEnabled(extended);
    }
}

bool IdBitEditor::Validate() const
{
    const int first = Extended() ? 0 : 2;
    for (int f = kFields - 1; f >= first; --f) {
        if (!IsHexText(Text(m_controls->fields[f]))) {
            return false;
        }
    }
    return true;
}

uint32_t IdBitEditor::Value() const
{
    std::array<std::string, kFields> texts;
    for (int f = 0; f < kFields; ++f) {
        texts[f] = Text(m_controls->fields[f]);
    }
    return AssembleId(texts, Extended());
}

bool IdBitEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        for (int f : {0, 2}) {
            if (watched == m_controls->fields[f]) {
                OnFocusLeft(f);
            }
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void IdBitEditor::OnFieldChanged(int field)
{
    const std::optional<FieldUpdate> update =
        FieldTextChanged(field, Text(m_controls->fields[field]), Extended());
    if (!update) {
        return;
    }
    if (update->rewrite) {
        Rewrite(field, update->value);
        return;  // the rewrite's own change handling set the boxes
    }
    const uint8_t mask = FieldMask(field, Extended());
    for (int b = 0; b < 8; ++b) {
        if ((mask >> b) & 1) {
            m_controls->boxes[8 * (3 - field) + b]->setChecked((update->value >> b) & 1);
        }
    }
}

void IdBitEditor::OnFocusLeft(int field)
{
    if (const std::optional<uint8_t> clamped =
            FieldFocusClamp(field, Text(m_controls->fields[field]), Extended())) {
        Rewrite(field, *clamped);
    }
}

void IdBitEditor::OnBoxClicked(int bit, bool checked)
{
    const int field = 3 - bit / 8;
    const auto mask = static_cast<uint8_t>(1u << (bit % 8));
    uint8_t value = LeadingHexByte(Text(m_controls->fields[field]));
    value = static_cast<uint8_t>(checked ? (value | mask) : (value & ~mask));
    Rewrite(field, value);
}

void IdBitEditor::Rewrite(int field, uint8_t value)
{
    QLineEdit* edit = m_controls->fields[field];
    const QString text = QString::fromStdString(ByteText(value));
    if (edit->text() == text) {
        OnFieldChanged(field);
    } else {
        edit->setText(text);
    }
}
