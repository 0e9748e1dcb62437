#pragma once

#include <QDialog>

// A dialog that the Enter key neither confirms nor cancels: only its buttons
// do. Its buttons must not be default buttons either (QPushButton::setAutoDefault
// false), or QDialog would press one on Enter before this sees the key.
class EnterIgnoringDialog : public QDialog {
    Q_OBJECT

public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
