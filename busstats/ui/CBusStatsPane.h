#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include <QTimer>
#include <QWidget>

#include "busstats/BusStats.h"

class QLabel;
class QTableView;
class IdStatsModel;
struct CanFrame;

// The bus-statistics pane: frames a second (all, 11-bit, 29-bit, remote), bus
// load against the CAN bit rate (without stuffing and at worst-case
// stuffing), serial-line load against the UART speed (in the warning colour
// above BusStats::kLineFullPercent), error reports by kind with the time of
// the last, the bytes the serial reader dropped, and a sortable table by
// identifier.
//
// Frames and error reports are counted whether the pane shows or not, at O(1)
// each and in constant memory, so the figures are there when it opens; the
// figures are sampled and laid out only while the pane is visible, every
// kRefreshMs, and the table by identifier every kTableRefreshMs: with
// thousands of identifiers coming and going its sort, re-layout and repaint
// cost more than all the figures together, and a table changing four times a
// second cannot be read anyway.
class CBusStatsPane : public QWidget {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kRefreshMs = 250;
    static constexpr int kTableRefreshMs = 1000;

    explicit CBusStatsPane(QWidget* parent = nullptr);
    ~CBusStatsPane() override;

    // Stamped with the clock's time now.
    void AddFrame(const CanFrame& frame, int dataBytes);
    void AddErrorReport(uint8_t code);

    // The CAN bit rate the bus load is measured against and the UART speed
    // of the line; cheap when unchanged.
    void SetRates(double canBitRate, uint32_t uartSpeed);
    // Where the count of bytes the serial reader dropped comes from (a count
    // that only grows); none shows 0.
    void SetDroppedBytesSource(std::function<uint64_t()> source);

    // Forgets every count, the table's rows and the dropped bytes so far.
    void Clear();

    // Samples the statistics at now and shows them; the refresh timer passes
    // the clock's time. The table takes the rows when it never has since it
    // was shown or cleared, or kTableRefreshMs have passed since it last did.
    void Refresh(Clock::time_point now);

    BusStats& Stats() { return m_stats; }
    const BusSnapshot& Shown() const { return m_shown; }
    // The time Shown was sampled at.
    Clock::time_point ShownAt() const { return m_shownAt; }
    bool IsRefreshing() const { return m_timer.isActive(); }
    QTableView* Table() const { return m_table; }

signals:
    // "그래프에 추가" was chosen on the frame rate.
    void FrameRatePlotRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum Figure {
        kFrames,
        kStandard,
        kExtended,
        kRemote,
        kTotal,
        kBitRate,
        kBusLoad,
        kBusLoadWorst,
        kLineSpeed,
        kLineLoad,
        kBusOff,
        kErrorPassive,
        kWarning,
        kOtherErrors,
        kDropped,
        kFigureCount
    };

    // The labels from m_shown.
    void ShowFigures(Clock::time_point now);
    QString ErrorText(const BusErrorCount& count, Clock::time_point now) const;
    uint64_t DroppedBytes() const;

    BusStats m_stats;
    BusSnapshot m_shown;
    Clock::time_point m_shownAt{};
    // When the table last took the rows; unset makes the next refresh fill it.
    std::optional<Clock::time_point> m_tableAt;
    double m_bitRate = -1;
    uint32_t m_lineSpeed = 0;
    std::function<uint64_t()> m_droppedSource;
    // The source's count at the last Clear.
    uint64_t m_droppedAtClear = 0;
    std::array<QLabel*, kFigureCount> m_values{};
    IdStatsModel* m_model;
    QTableView* m_table;
    QTimer m_timer;
};
