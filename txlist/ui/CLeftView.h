#pragma once

#include <functional>
#include <memory>

#include <QMenu>
#include <QTimer>
#include <QTreeWidget>

#include "common/CommandRouter.h"
#include "txlist/PeriodicSender.h"
#include "txlist/TDataEntry.h"
#include "txlist/TransmitUndo.h"

class CConverterLink;
class DbcDatabase;
class MessageBoxes;
struct TransmitFileResult;

// The transmit list: one row per entry of the transmit container it owns,
// with protocol, frame type, identifier, length and data columns, and a period
// column filled while the row is sent periodically (widths kept in the profile
// section "LeftList", values "LeftCol 0".."LeftCol 6"). From it the user adds,
// modifies, deletes and sends entries, starts and stops periodic sends, and
// opens and saves ".ctd" files. Its commands come from its own context menu
// "&TDataMenu", the Delete key, a double click (send the clicked row) and,
// through the main window, from the menus, tool bar and accelerators. Each row
// refers to its entry by pointer.
//
// A periodic send starts only on an open port and stops when its entry is
// modified or freed, and, for every entry, when the port it began on is lost,
// closed or reopened. The period last confirmed for a frame is kept in the
// profile section "Periodic Transmit", never in the ".ctd" file. A periodic
// send never waits for the line: a cycle the line cannot take is skipped and
// counted. The converter's confirmations of periodically sent frames are
// counted in the row ("sent/confirmed", and the skipped cycles) instead of
// each writing an event line; one line with the counts is written when the
// periodic send stops.
//
// The working list is kept across restarts: every change writes it, as a
// ".ctd", to KeptListPath() in the per-user data folder (never over the file
// it was opened from or saved to, its origin, which the profile remembers and
// the header's tool tip shows); the next view restores it. A kept file that
// cannot be read is left alone with a red event line. "실행 취소" undoes the
// last delete, delete-all or modify, up to TransmitUndo::kLevels of them; a
// file load cannot be undone and forgets them.
class CLeftView : public QTreeWidget, public CommandRouter {
    Q_OBJECT

public:
    // The frame's five columns, then the period and the periodic counts.
    static constexpr int kFrameColumnCount = 5;
    static constexpr int kPeriodColumn = 5;
    static constexpr int kCountsColumn = 6;
    static constexpr int kColumnCount = 7;
    static constexpr int kDefaultColumnWidths[kColumnCount] = {80, 80, 80, 80, 150, 70, 110};
    // How often the counts of running rows are brought up to date.
    static constexpr int kCountsRefreshMs = 250;

    CLeftView(CConverterLink& link, MessageBoxes& boxes, QWidget* parent = nullptr);
    // Stores the column widths.
    ~CLeftView() override;

    // The main window's way to obtain an open port before sending; without one
    // the port counts as openable when the link is already open.
    void SetPortOpener(std::function<bool()> ensurePortOpen);
    // The DBC messages the transmit-data dialog offers; null: none.
    void SetDbcDatabase(const DbcDatabase* database) { m_dbcDatabase = database; }

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

    PeriodicSender& Periodic() { return m_periodic; }

    // Where the working list is kept: "talvox-analyzer/transmit-list.ctd"
    // under the per-user data folder.
    static QString KeptListPath();
    // The file the list was last opened from or saved to; empty for none.
    const QString& OriginPath() const { return m_origin; }

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
    // Through the main window's opener; false, and the user told, when the
    // port cannot be opened.
    bool OpenPortOrSaySo();
    void Add();
    void Modify();
    void Delete();
    void DeleteAll();
    void OpenOrSaveFile(bool save);
    void ReportFileFailure(const TransmitFileResult& result, const char* failure);
    void StartPeriodic();
    // The period column and row icon of every row, by the running set.
    void ShowPeriods();
    // The counts column of every row.
    void ShowCounts();
    void Undo();
    // Rows for every entry of the container, in its order.
    void RebuildRows();
    // Writes the list to the kept file.
    void KeepList();
    // Shows the origin and, with store, remembers it in the profile.
    void SetOrigin(const QString& path, bool store = true);
    // Reads the kept list, if any, at start.
    void RestoreKeptList();
    void ReportStop(const TDataEntry* entry, PeriodicSender::Counts counts);

    CConverterLink& m_link;
    MessageBoxes& m_boxes;
    std::function<bool()> m_ensurePortOpen;
    const DbcDatabase* m_dbcDatabase = nullptr;
    std::unique_ptr<CTDataObject> m_container;
    TransmitUndo m_undo;
    QString m_origin;
    // The port opening the periodic sends began on.
    uint64_t m_periodicSession = 0;
    // After the container: stopped and gone before any entry is freed.
    PeriodicSender m_periodic;
    QTimer m_countsTimer;
};
