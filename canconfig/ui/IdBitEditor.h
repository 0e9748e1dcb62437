#pragma once

#include <cstdint>

#include <QGroupBox>

class QCheckBox;
class QLineEdit;

// Width of an identifier or mask: 11-bit (CAN 2.0A, mask 0x7FF) or 29-bit
// (CAN 2.0B, mask 0x1FFFFFFF).
enum class IdWidth { k11Bit, k29Bit };

// One identifier or mask as four two-digit hex fields (field 0 = bits 31..24,
// left-most) beside 29 boxes "ID0".."ID28", one per bit, in four rows, highest
// bits first. Typing a byte ticks its boxes, ticking a box rewrites its byte.
// The owner gives the width at Load and whenever its width selection changes;
// in 11-bit width fields 0 and 1 are empty and disabled, and boxes ID11..ID28
// unticked and disabled. Only hex digits and backspace can be typed; a paste
// gets through and is caught by Validate.
//
// Object names, for tests and accessibility: the fields "hex0".."hex3", the
// boxes "ID0".."ID28" (children of this group box).
class IdBitEditor : public QGroupBox {
    Q_OBJECT

public:
    // caption is the group's title; note, when not empty, a line under the boxes.
    explicit IdBitEditor(const QString& caption, const QString& note = QString(),
                         QWidget* parent = nullptr);
    ~IdBitEditor() override;

    void Load(uint32_t value, IdWidth width);
    void SetWidth(IdWidth width);
    IdWidth Width() const { return m_width; }
    // Fields 3 and 2, and in 29-bit width also 1 and 0, are empty or hex.
    bool Validate() const;
    // The four fields (non-hex or empty as 0), masked to the width.
    uint32_t Value() const;

    QLineEdit* Field(int index) const;  // 0..3
    QCheckBox* BitBox(int bit) const;   // 0..28

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool Extended() const { return m_width == IdWidth::k29Bit; }
    // Every change of field's text, typed, pasted or written here.
    void OnFieldChanged(int field);
    void OnFocusLeft(int field);
    void OnBoxClicked(int bit, bool checked);
    // Writes field as two hex digits; the change handling runs even when the
    // text was already the same.
    void Rewrite(int field, uint8_t value);

    IdWidth m_width = IdWidth::k29Bit;
    struct Controls;
    Controls* m_controls = nullptr;
};
