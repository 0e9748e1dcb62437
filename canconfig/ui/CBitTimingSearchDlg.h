#pragma once

#include <optional>

#include <QString>

#include "canconfig/CanBitTime.h"
#include "common/ui/EnterIgnoringDialog.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTableWidget;

// "CAN 비트 타임 찾기": the user gives a bit rate and a sample point and gets
// every field combination of the custom lists that the configuration dialog
// accepts at a rate within 0.5 % of the wanted one, closest sample point first.
// The list follows every change of either input. "선택" (or a double click on
// a row) closes with that row's bit time; with no row selected "선택" is
// disabled. Enter neither confirms nor cancels.
class CBitTimingSearchDlg : public EnterIgnoringDialog {
    Q_OBJECT

public:
    // wantedRate: the rate field's starting text, in the field's own form.
    explicit CBitTimingSearchDlg(const QString& wantedRate, QWidget* parent = nullptr);

    // The bit time of the row chosen; 0 until the dialog is confirmed.
    CanBitTime Chosen() const { return m_chosen; }

    // A bit rate as the rate field takes it: bit/s as a decimal number,
    // optionally followed by K (x 1,000) or M (x 1,000,000), either case, e.g.
    // "500K", "83.333k", "1M", "33333". Nothing for other text or a rate that
    // is not positive.
    static std::optional<double> ParseRateText(const QString& text);
    // The rate in the field's form: "250K", "1M", else bit/s ("533333.3333").
    static QString RateText(double bitRate);

public slots:
    void accept() override;

private:
    void Search();
    void OnSelectionChanged();
    CanBitTime SelectedBitTime() const;

    QComboBox* m_rate = nullptr;
    QDoubleSpinBox* m_samplePoint = nullptr;
    QStackedWidget* m_results = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_none = nullptr;
    QPushButton* m_choose = nullptr;
    CanBitTime m_chosen = 0;
};
