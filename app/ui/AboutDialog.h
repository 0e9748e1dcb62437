#pragma once

#include <QDialog>

// "Talvox Analyzer 정보": the program's icon, its name and version, and "확인".
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
