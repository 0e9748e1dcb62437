#pragma once

#include "common/ui/EnterIgnoringDialog.h"

class QSpinBox;

// "주기 송신 설정": the period of a periodic send, "주기 (ms)" from 1 to 60000.
// "설정" confirms, "취소" cancels; Enter neither confirms nor cancels.
class CPeriodDlg : public EnterIgnoringDialog {
    Q_OBJECT

public:
    explicit CPeriodDlg(int periodMs, QWidget* parent = nullptr);
    ~CPeriodDlg() override;

    int PeriodMs() const;

private:
    QSpinBox* m_period;
};
