#pragma once

#include "common/ui/EnterIgnoringDialog.h"
#include "txlist/TDataEntry.h"

class DbcDatabase;
class MessageBoxes;

// "송신 데이터 설정": writes one frame of the transmit list. Opened with the add
// defaults or with an entry's seven stored fields (the opening steps run in the
// constructor); on "설정" it checks the identifier and, in "Hex" format, the
// data fields, and refuses with "데이터 입력이 잘못되었읍니다"; Entry() then holds
// the seven values handed back (owner null). Enter neither confirms nor
// cancels.
class CTDataDlg : public EnterIgnoringDialog {
    Q_OBJECT

public:
    // "CAN2.0B", "Data Frame", "Hex", length 8, identifier 0, data 0.
    static TDataEntry AddDefaults();

    CTDataDlg(const TDataEntry& initial, MessageBoxes& boxes, QWidget* parent = nullptr);
    ~CTDataDlg() override;

    const TDataEntry& Entry() const { return m_entry; }
    // Offers the database's messages for filling the frame from signal values;
    // without messages (null or empty) the dialog stays as it is.
    void SetDbcDatabase(const DbcDatabase* database);

public slots:
    // The "설정" button: checks, then stores and accepts, or refuses.
    void accept() override;

private:
    bool HexFormat() const;
    // Fields 0..n-1 enabled with their text; the others emptied and disabled.
    void ApplyLength(int length);
    // Length 0 with its list disabled.
    void ApplyRemoteFrame();
    void OnFormatChanged(int index);
    // Limit, typing rule and paste rule of the data fields for a format.
    void SetDataFormat(bool hex);
    // Data byte i as "설정" stores it; fields beyond the length are empty.
    uint8_t DataByte(int i) const;

    TDataEntry m_entry;
    MessageBoxes& m_boxes;
    struct Controls;
    Controls* m_controls = nullptr;
};
