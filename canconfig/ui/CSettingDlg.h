#pragma once

#include <string>
#include <vector>

#include "canconfig/MainSetting.h"
#include "common/ui/EnterIgnoringDialog.h"

class MessageBoxes;

// "Talvox 환경 설정": the serial port and UART speed, the receive mode and
// identifier type, the error reports, the receive mask and ID, and the CAN bit
// rate as a preset or as four timing fields. Opened on a copy of the settings
// (the opening steps run in the constructor, correcting a port index beyond
// the list, an unknown speed and receive mode 3); "설정" checks mask, ID and
// bit time in that order and refuses with a message, else Setting() holds the
// six fields handed back (serialPortIndex -1 when no port is listed; mask and
// ID masked to the width in effect; the log paths as given). Enter neither
// confirms nor cancels. The rate panel also shows the quanta and sample point
// of the bit time shown, and "찾기..." searches bit times by rate.
class CSettingDlg : public EnterIgnoringDialog {
    Q_OBJECT

public:
    CSettingDlg(const MainSetting& setting, const std::vector<std::string>& portNames,
                MessageBoxes& boxes, QWidget* parent = nullptr);
    ~CSettingDlg() override;

    const MainSetting& Setting() const { return m_setting; }

public slots:
    void accept() override;

private:
    struct Controls;

    void BuildControls(const std::vector<std::string>& portNames);
    void Open();
    void ShowBitTime(int presetIndex, CanBitTime bitTime);
    // Field "계산된 BPS": the rate of bitTime, marked when it breaks a rule;
    // and the quanta and sample point of bitTime in the panel.
    void ShowRate(CanBitTime bitTime);
    void ApplyModeByte(uint8_t modeByte);
    void SetEditorWidths(bool extended);
    void OnReceiveModeChanged();
    void OnIdTypeChanged();
    void OnPresetChanged(int index);
    void OnCustomClicked(bool ticked);
    void OnCustomFieldChanged();
    // "찾기...": a bit time chosen in the search fills the custom lists.
    void OnFindClicked();
    uint8_t ModeByteFromControls() const;
    CanBitTime CustomBitTimeShown() const;
    CanBitTime BitTimeInEffect() const;

    MainSetting m_setting;
    MessageBoxes& m_boxes;
    Controls* m_controls = nullptr;
};
