#pragma once

#include <cstdint>
#include <vector>

#include <QWidget>

class QComboBox;
class QGridLayout;
class QTableWidget;
class QTableWidgetItem;
class DbcDatabase;
struct DbcMessage;

// Writes a transmit frame from a DBC message: "DBC 메시지" picks a message
// (the empty first item: none), which sets the dialog's protocol, identifier,
// frame type and length; the signal table below shows each signal's physical
// value as the data bytes hold it, and a value typed there is written into the
// data bytes. A value that cannot be sent (outside the signal's range, too
// large for its bits, not a number, beyond the length) is refused: the cell
// turns red with the reason as its tool tip, and the bytes stay as they were.
//
// It works through the dialog's own controls, found by their object names
// ("protocol", "length", "frameType", "format", "data0".."data7", "idEditor"),
// so the entry the dialog hands back is an ordinary one, typed in its current
// format.
class DbcComposer : public QWidget {
    Q_OBJECT

public:
    enum Column { kNameColumn, kValueColumn, kUnitColumn, kRangeColumn, kColumnCount };

    // Adds a composer to dialog, in a row above the layout's last row (its
    // buttons), when database holds messages; otherwise the dialog stays as
    // it is. Returns the composer, or null.
    static DbcComposer* AttachTo(QWidget& dialog, QGridLayout& layout, const DbcDatabase* database);

    DbcComposer(const DbcDatabase& database, QWidget& dialog);
    ~DbcComposer() override;

    QComboBox* MessageList() const { return m_messages; }
    QTableWidget* SignalTable() const { return m_table; }

private:
    void OnMessageChosen(int index);
    // The signal table for the chosen message, with values from the data bytes.
    void ShowSignals();
    void ShowValues();
    void OnValueEdited(QTableWidgetItem* item);
    void Refuse(QTableWidgetItem* item, const QString& reason);
    int Length() const;
    bool HexFormat() const;
    void ReadBytes(uint8_t bytes[8]) const;
    void WriteBytes(const uint8_t bytes[8], int length);

    const DbcDatabase& m_database;
    QWidget& m_dialog;
    QComboBox* m_messages;
    QTableWidget* m_table;
    std::vector<const DbcMessage*> m_listed;  // item i + 1 of the list
    const DbcMessage* m_chosen = nullptr;
    bool m_writing = false;  // the composer itself is changing fields or cells
};
