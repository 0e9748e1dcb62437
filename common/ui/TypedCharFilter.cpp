#include "common/ui/TypedCharFilter.h"

#include <QKeyEvent>
#include <QLineEdit>

TypedCharFilter::TypedCharFilter(Rule rule, QObject* parent) : QObject(parent), m_rule(rule)
{
}

void TypedCharFilter::Watch(QLineEdit* field)
{
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->installEventFilter(this);
}

bool TypedCharFilter::HexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

bool TypedCharFilter::Ascii(char16_t c)
{
    return c < 0x80;
}

bool TypedCharFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<const QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier ||
        modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        return false;  // a shortcut, never inserted as text
    }
    for (const QChar c : key->text()) {
        const char16_t code = c.unicode();
        const bool control = code < 0x20 || code == 0x7F;
        if (!control && !m_rule(code)) {
            return true;
        }
    }
    return false;
}
