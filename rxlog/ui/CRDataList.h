#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include "rxlog/EventLine.h"

class CommandRouter;

// The received-data list: one line per received CAN frame, newest at the bottom
// and selected, at most 200 lines. Each line is also copied, time-stamped, to
// the received-data log while that log is on. While it exists it is the
// application's received-line sink. Its context menu offers clearing, reception
// and the received-data logging switch; the commands go to the command router,
// and no menu is shown until a router is set.
class CRDataList : public QListWidget, public ReceivedLineSink {
    Q_OBJECT

public:
    static constexpr int kMaxLines = 200;
    static constexpr int kLineHeight = 17;

    explicit CRDataList(QWidget* parent = nullptr);
    ~CRDataList() override;

    // Appends the line and drops the oldest beyond the limit. The newest line is
    // selected and scrolled into view when the event loop next runs, once for a
    // whole burst of lines.
    void AddLine(std::string_view text);
    void AddReceivedLine(std::string_view line) override { AddLine(line); }
    int LineCount() const { return count(); }
    void Clear() { clear(); }
    int MaxLines() const { return m_maxLines; }
    // Width in pixels of the widest line held.
    int WidestLine() const { return m_widestLine; }

    // Lines appended since construction.
    uint64_t LinesAdded() const { return m_linesAdded; }
    // Called after every paint with the number of lines appended since
    // construction that the paint shows or has scrolled past; unset by default.
    void SetPaintObserver(std::function<void(uint64_t)> observer)
    {
        m_paintObserver = std::move(observer);
    }

    void SetCommandRouter(CommandRouter* router) { m_router = router; }
    // The context menu as it would show now ("&RDataMenu"); null without a router.
    std::unique_ptr<QMenu> BuildContextMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kWidthRole = Qt::UserRole + 1;

    void RecomputeWidest();
    void SelectNewest();

    QTimer m_selectTimer;
    QMetaObject::Connection m_resetConnection;
    int m_maxLines = kMaxLines;
    int m_widestLine = 0;
    int m_charWidth = 1;
    CommandRouter* m_router = nullptr;
    uint64_t m_linesAdded = 0;
    uint64_t m_linesSelected = 0;
    std::function<void(uint64_t)> m_paintObserver;
};
