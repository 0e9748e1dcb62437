#pragma once

#include <cstdint>
#include <vector>

#include <QElapsedTimer>
#include <QStringList>
#include <QTreeView>

class QTimer;
class DbcDatabase;
class IdTable;
class SignalTreeModel;

// Received messages that a loaded DBC file describes, decoded: one row per
// identifier heard that names a DBC message (message name, identifier as
// "%03X" or "%08X", frames counted, measured period in ms beside the cycle
// time the file gives), opening into one line per signal (name, physical value
// with its unit or value-table text, raw value in hex, and "범위 초과" in red
// when the value lies outside the signal's range). A multiplexed message shows
// the signals of the multiplexer value last received.
//
// It reads the by-identifier table at display rate, never per frame: a tick
// that finds the table's revision unchanged and the view unmoved does nothing,
// and only rows that are open and on screen are decoded. Cells change in
// place, so what is open and selected stays so. Signals are dragged from it to
// the plot, or sent there from the context menu.
class CSignalView : public QTreeView {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 100;
    // Identifiers heard for the first time join the rows at most this often.
    static constexpr int kRestructureMs = 1000;

    enum Column {
        kNameColumn,
        kIdColumn,
        kCountColumn,
        kPeriodColumn,
        kCycleColumn,
        kValueColumn,
        kRawColumn,
        kRangeColumn,
        kColumnCount
    };

    explicit CSignalView(QWidget* parent = nullptr);
    ~CSignalView() override;

    // Both outlive the view; null leaves it empty.
    void SetSources(const IdTable* table, const DbcDatabase* database);
    // The database's messages were replaced: the rows are made anew.
    void DatabaseChanged();
    // What the timer does at display rate.
    void Refresh();
    // The plot keys (PlotKeyText) that "그래프에 추가" on this line adds: the
    // selection's when the line is selected, else the line's; a message row
    // stands for all its signals.
    QStringList PlotKeysAt(const QModelIndex& index) const;

signals:
    // "그래프에 추가" was chosen for these plot keys.
    void PlotRequested(const QStringList& keys);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DecodeShownRows();

    SignalTreeModel* m_model;
    QTimer* m_timer;
    const IdTable* m_table = nullptr;
    const DbcDatabase* m_database = nullptr;
    std::vector<int> m_shownRows;  // kept, so a tick does not allocate
    QElapsedTimer m_sinceRestructure;
    uint64_t m_seenRevision = 0;
    bool m_stale = true;  // the view moved or rows opened: decode even if no frame came
};
