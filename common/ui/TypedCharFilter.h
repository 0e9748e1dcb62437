#pragma once

#include <QObject>

class QLineEdit;

// Lets a typed character reach the line edits it watches only when its rule
// allows it. Control characters (backspace, Tab, Enter, Escape, Delete) and
// Ctrl shortcuts are never refused, so editing keys, moving between controls
// and pasting work as usual; a line edit inserts no control character anyway.
// Input methods are switched off on the watched fields, so that every
// character arrives as a key press and meets the rule.
class TypedCharFilter : public QObject {
public:
    using Rule = bool (*)(char16_t c);

    explicit TypedCharFilter(Rule rule, QObject* parent = nullptr);

    void Watch(QLineEdit* field);
    void SetRule(Rule rule) { m_rule = rule; }

    // '0'-'9', 'A'-'F', 'a'-'f'.
    static bool HexDigit(char16_t c);
    // Codes below 0x80.
    static bool Ascii(char16_t c);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Rule m_rule;
};
