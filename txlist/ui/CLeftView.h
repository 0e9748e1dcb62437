#pragma once

#include <functional>
#include <memory>

#include <QMenu>
#include <QTreeWidget>

#include "common/CommandRouter.h"
#include "txlist/TDataEntry.h"

class CConverterLink;
class MessageBoxes;

// The transmit list: one row per entry of the transmit container it owns,
// with protocol, frame type, identifier, length and data columns (widths kept
// in the profile section "LeftList", values "LeftCol 0".."LeftCol 4"). From it
// the user adds, modifies, deletes and sends entries and opens and saves
// ".ctd" files. Its commands (send, add, modify, delete, delete all, open,
// save) come from its own context menu "&TDataMenu", the Delete key, a double
// click (send the clicked row) and, through the main window, from the menus,
// tool bar and accelerators. Each row refers to its entry by pointer.
class CLeftView : public QTreeWidget, public CommandRouter {
    Q_OBJECT

public:
    static constexpr int kColumnCount = 5;
    static constexpr int kDefaultColumnWidths[kColumnCount] = {80, 80, 80, 80, 150};

    CLeftView(CConverterLink& link, MessageBoxes& boxes, QWidget* parent = nullptr);
    // Stores the column widths.
    ~CLeftView() override;

    // The main window's way to obtain an open port before sending; without one
    // the port counts as openable when the link is already open.
    void SetPortOpener(std::function<bool()> ensurePortOpen);

    // True for the commands this view handles.
    static bool HandlesCommand(int commandId);
    void Execute(int commandId) override;
    bool IsCommandEnabled(int commandId) const override;

    // Replaces the list by the file's content; on failure the list stays as
    // it was and the user is told. True on success.
    bool LoadTransmitFile(const QString& path);
    // Asks before replacing an existing file; true when written.
    bool SaveTransmitFile(const QString& path);

    const CTDataObject& Container() const { return *m_container; }
    int RowCount() const { return topLevelItemCount(); }
    // The entry of the first selected row, or null.
    TDataEntry* SelectedEntry() const;

    // The context menu as it would show now.
    std::unique_ptr<QMenu> BuildContextMenu();

signals:
    // Rows or the selection changed: what is enabled may have changed.
    void CommandStatesChanged();
    // The entry is about to be freed or was changed in place.
    void EntryWithdrawn(const TDataEntry* entry);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The default width of a column: its listed width, or more where this
    // font needs it for the column's widest text.
    int DefaultColumnWidth(int column) const;
    void FormatRow(int row, bool insert, TDataEntry* entry);
    TDataEntry* EntryOfRow(const QTreeWidgetItem* item) const;
    void Send(TDataEntry* entry);
    void Add();
    void Modify();
    void Delete();
    void DeleteAll();
    void OpenFile();
    void SaveFile();

    CConverterLink& m_link;
    MessageBoxes& m_boxes;
    std::function<bool()> m_ensurePortOpen;
    std::unique_ptr<CTDataObject> m_container;
};
