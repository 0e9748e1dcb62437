#pragma once

#include <functional>

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QTest>

// Shows root, waits until it is active, then drives the controls under it by
// steps separated by ";", each naming its control by object name: "type NAME
// TEXT" and "paste NAME TEXT" (Ctrl+V) over the field's selected text, "key
// NAME KEY" ("Tab", "Del", "Return"), "click NAME", "select NAME INDEX".
// Other steps go to other.
inline void RunWidgetScript(QWidget& root, const QString& script,
                            const std::function<void(const QStringList&)>& other = {})
{
    root.show();
    root.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&root, 20000));
    for (const QString& step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = step.trimmed().split(' ');
        auto* target = root.findChild<QWidget*>(w.value(1));
        if (!QStringList{"type", "key", "paste", "click", "select"}.contains(w[0])) {
            other(w);
            continue;
        }
        QVERIFY2(target, qPrintable(step));
        target->setFocus();
        auto* field = qobject_cast<QLineEdit*>(target);
        if (field && w[0] != "key") {
            field->selectAll();
        }
        if (w[0] == "click") {
            static_cast<QAbstractButton*>(target)->click();
        } else if (w[0] == "select") {
            static_cast<QComboBox*>(target)->setCurrentIndex(w[2].toInt());
        } else if (w[0] == "key") {
            const QKeyCombination key = QKeySequence::fromString(w[2])[0];
            QTest::keyClick(target, key.key(), key.keyboardModifiers());
        } else if (w[0] == "type") {
            for (const QChar c : w[2]) {
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), {});
            }
        } else {
            QGuiApplication::clipboard()->setText(w[2]);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        }
    }
}

// The named controls' texts (a list's current item), joined by ",", with "-"
// before a disabled control's.
inline QString Describe(const QWidget& root, const QString& names)
{
    QStringList states;
    for (const QString& name : names.split(' ')) {
        const auto* w = root.findChild<QWidget*>(name);
        const auto* list = qobject_cast<const QComboBox*>(w);
        const auto* field = qobject_cast<const QLineEdit*>(w);
        const QString text = list ? list->currentText() : field ? field->text() : "?" + name;
        states << (w && !w->isEnabled() ? "-" + text : text);
    }
    return states.join(',');
}
