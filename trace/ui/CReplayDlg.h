#pragma once

#include <QDialog>

class QDoubleSpinBox;
class QLineEdit;

// Asks how to replay a trace: the speed (0.1x to 10x, 1x at first) and an
// identifier filter in the display filters' form ("" for every frame).
class CReplayDlg : public QDialog {
    Q_OBJECT

public:
    explicit CReplayDlg(QWidget* parent = nullptr);

    double Speed() const;
    QString FilterText() const;
    QDoubleSpinBox* SpeedBox() const { return m_speed; }
    QLineEdit* FilterEdit() const { return m_filter; }

private:
    QDoubleSpinBox* m_speed;
    QLineEdit* m_filter;
};
