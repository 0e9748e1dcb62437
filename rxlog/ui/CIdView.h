#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "filter/DisplayFilter.h"
#include "rxlog/IdTable.h"
#include "rxlog/ui/CellRowsView.h"

class QTimer;
class CIdViewHeader;

// Received traffic by identifier: one row per protocol and identifier, updated
// in place (frame type, length, the last data bytes, the number of frames and
// the period between the last two arrivals in ms), sorted by identifier. A
// data byte that took a new value is shown on a highlight for a second.
//
// Like the received-data list it pays per display frame, not per frame
// received: a frame updates the table, the view shows the table's rows at
// display rate and repaints only the cells whose text changed.
//
// Its context menu has "복사": the row under the mouse, or, from the keyboard
// or below the last row, the header and every row; columns separated by tabs,
// so that a spreadsheet puts each in its own cell.
//
// Given a namer (the messages of loaded DBC files), a column "메시지" after
// the others names each row's message: empty for an identifier the namer does
// not know, cut with "…" where longer than the column. Names are asked for
// once per identifier and kept until NamesChanged, not per frame. Without a
// namer the view has its seven columns only.
//
// A display filter hides the rows of the identifiers it does not let through;
// the table still counts every frame, so a row shows its full count when the
// filter lets it through again.
class CIdView : public CellRowsView {
    Q_OBJECT

public:
    // The least line pitch; a font that needs more gets more.
    static constexpr int kLineHeight = 17;
    static constexpr int kHighlightMs = 1000;
    // Rows updated in place are read, not followed line by line: ten updates
    // a second keep counts and data current to the eye at a third of the cost
    // of the scrolling list's rate.
    static constexpr int kRefreshMs = 100;

    explicit CIdView(QWidget* parent = nullptr);
    ~CIdView() override;

    // Counts a received frame (data holds dataCount bytes) that arrived at
    // `at`, or now when not given; a frame read from a file brings its own
    // time, so that the period column reads as it did on the line.
    void AddFrame(bool extended, uint32_t id, bool remote, uint8_t dlc, const uint8_t* data,
                  uint8_t dataCount, std::optional<IdTable::Clock::time_point> at = std::nullopt);
    void Clear();
    void SetFilter(const DisplayFilter& filter);
    // The name of the message with this identifier, "" for none. An empty
    // function takes the name column away.
    using MessageNamer = std::function<std::string(bool extended, uint32_t id)>;
    void SetMessageNamer(MessageNamer namer);
    // The namer's names changed (files loaded or closed): asks again.
    void NamesChanged();
    bool ShowsNames() const { return static_cast<bool>(m_namer); }

    // Every identifier heard, shown or not.
    const IdTable& Table() const { return m_table; }
    // The rows the filter lets through, in the table's order.
    size_t ShownRowCount() const;
    const IdTable::Row& ShownRow(size_t index) const;
    int LineHeight() const { return m_lineHeight; }
    // The row at y in viewport coordinates, or -1.
    int RowAt(int y) const;
    // What "복사" copies for the row under the mouse (-1 for none). A message
    // name is copied whole, even where the column shows it cut.
    QString CopyText(int row) const;

    int AccessibleRowCount() const override;
    int AccessibleColumnCount() const override { return kIdColumns + (ShowsNames() ? 1 : 0); }
    QString AccessibleText(int row, int column) const override;
    QString AccessibleColumnName(int column) const override;
    QRect AccessibleRowRect(int row) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ShowRows() override;
    void UpdateScrollBars();
    // Brings the shown rows up to date with the table and the filter.
    void SelectShownRows() const;
    // The namer's name for the row, asked once per identifier.
    const std::string& NameOf(const IdTable::Row& row) const;
    // The line shown for a row and the header's, with the name column when
    // there is one.
    std::string RowLine(const IdTable::Row& row) const;
    std::string HeaderLine() const;

    IdTable m_table;
    DisplayFilter m_filter;
    MessageNamer m_namer;
    // Names by protocol (bit 32) and identifier.
    mutable std::unordered_map<uint64_t, std::string> m_names;
    // Table indices of the rows shown while the filter hides some; made when
    // the table or the filter changed and they are next asked for.
    mutable std::vector<uint32_t> m_shownRows;
    mutable uint64_t m_shownRowsRevision = 0;
    mutable bool m_shownRowsValid = false;
    QTimer* m_highlightEnd;
    CIdViewHeader* m_header;
    size_t m_rangeRows = 0;
    uint64_t m_shownRevision = 0;
    int m_textMargin = 3;
    int m_lineHeight = kLineHeight;
};
