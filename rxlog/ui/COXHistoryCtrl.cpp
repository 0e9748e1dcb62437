#include "rxlog/ui/COXHistoryCtrl.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "common/TextFormat.h"
#include "rxlog/ui/CopyLines.h"

namespace {

// Where a text of textWidth pixels starts in [left, right) under the flags.
qreal AlignedLeft(uint32_t drawFlags, int left, int right, int textWidth)
{
    if ((drawFlags & kDrawCenter) != 0) {
        return left + (right - left - textWidth) / 2.0;
    }
    if ((drawFlags & kDrawRight) != 0) {
        return right - textWidth;
    }
    return left;
}

}  // namespace

COXHistoryCtrl::COXHistoryCtrl(QWidget* parent) : CellRowsView(parent)
{
    // Painting fills every pixel of the viewport, so no background is erased first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    m_textColour = FromQColor(palette().color(QPalette::Text));
    m_backColour = FromQColor(palette().color(QPalette::Base));
    SetLineFont(QFontDatabase::systemFont(QFontDatabase::FixedFont), false);
    // The slider's page step sizes its thumb to the window; a page action itself
    // (a click beside the thumb, Page Up/Down) moves by one line or one character.
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { PageByOneStep(horizontalScrollBar(), action); });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { PageByOneStep(verticalScrollBar(), action); });
    FollowUserScrolling();
    connect(this, &CellRowsView::FollowChanged, this, [this](bool following) {
        if (following && m_selected != 0) {
            m_selected = 0;
            RepaintAll();
        }
    });
}

COXHistoryCtrl::~COXHistoryCtrl() = default;

QColor COXHistoryCtrl::ToQColor(uint32_t colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

uint32_t COXHistoryCtrl::FromQColor(const QColor& colour)
{
    return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
           (static_cast<uint32_t>(colour.blue()) << 16);
}

bool COXHistoryCtrl::AddLine(std::string_view text, bool toFile)
{
    // The control's own file copy stays off in this program; the event log file
    // is written by the event line writer instead.
    Q_UNUSED(toFile);
    QMutexLocker locker(&m_lock);
    const bool wasFull = m_maxEntries > 0 && static_cast<int>(m_entries.size()) >= m_maxEntries;
    HistoryEntry entry;
    int dropped = 0;
    if (wasFull) {
        // The oldest line goes, and the new one takes over its storage.
        entry = std::move(m_entries.front());
        m_entries.pop_front();
        Forget(entry);
        ++dropped;
    }
    entry.text.assign(text);
    entry.textColour = m_textColour;
    entry.backColour = m_backColour;
    entry.indent = m_indent;
    entry.drawFlags = m_drawFlags;
    entry.length = Cp949Width(text);
    entry.prepared = false;
    m_entries.push_back(std::move(entry));
    Count(m_entries.back());
    ++m_linesAdded;
    // Under a limit of 0 the new line itself is gone again.
    while (static_cast<int>(m_entries.size()) > m_maxEntries) {
        RemoveOldest();
        ++dropped;
    }
    NoteRowsAppended(1);
    NoteRowsDropped(dropped);
    UpdateContentSize();
    if (IsFollowing()) {
        ScrollToEnd();
    } else {
        KeepShownLines(dropped);
    }
    m_repaint->Request();
    const bool first = m_entries.size() == 1;
    locker.unlock();
    if (first) {
        emit HasLinesChanged();
    }
    return true;
}

bool COXHistoryCtrl::ClearHistory()
{
    QMutexLocker locker(&m_lock);
    const bool had = !m_entries.empty();
    m_entries.clear();
    m_longestLength = 0;
    m_longestCount = 0;
    m_selected = 0;
    NoteRowsReset();
    UpdateContentSize();
    m_repaint->Request();
    locker.unlock();
    SetFollowing(true);  // nothing left to hold still
    if (had) {
        emit HasLinesChanged();
    }
    return true;
}

void COXHistoryCtrl::SetMaxEntries(int n)
{
    if (n < 0) {
        return;
    }
    if (n >= m_maxEntries) {
        m_maxEntries = n;
        return;
    }
    int dropped = 0;
    while (static_cast<int>(m_entries.size()) > n) {
        RemoveOldest();
        ++dropped;
    }
    m_maxEntries = n;
    NoteRowsDropped(dropped);
    UpdateContentSize();
    if (!IsFollowing()) {
        KeepShownLines(dropped);
    }
    m_repaint->Request();
}

void COXHistoryCtrl::SetLineFont(const QFont& font, bool redraw)
{
    m_text.SetFont(font);
    for (HistoryEntry& entry : m_entries) {
        entry.prepared = false;
    }
    m_screen.Invalidate();
    const QFontMetrics metrics(font);
    m_charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('X')));
    m_lineHeight = m_text.LinePitch(metrics.height());
    UpdateContentSize();
    if (IsFollowing()) {
        ScrollToEnd();
    }
    if (redraw) {
        m_repaint->Request();
    }
}

int COXHistoryCtrl::LineCount() const
{
    QMutexLocker locker(&m_lock);
    return static_cast<int>(m_entries.size());
}

const HistoryEntry& COXHistoryCtrl::Entry(int i) const
{
    return m_entries.at(static_cast<size_t>(i));
}

void COXHistoryCtrl::RemoveOldest()
{
    const HistoryEntry oldest = std::move(m_entries.front());
    m_entries.pop_front();
    Forget(oldest);
}

void COXHistoryCtrl::Count(const HistoryEntry& entry)
{
    if (entry.length > m_longestLength || m_longestCount == 0) {
        m_longestLength = entry.length;
        m_longestCount = 1;
    } else if (entry.length == m_longestLength) {
        ++m_longestCount;
    }
}

void COXHistoryCtrl::Forget(const HistoryEntry& entry)
{
    // Only the last line of the longest length costs a pass over the others.
    if (entry.length == m_longestLength && --m_longestCount == 0) {
        RecomputeLongest();
    }
}

void COXHistoryCtrl::RecomputeLongest()
{
    m_longestLength = 0;
    m_longestCount = 0;
    for (const HistoryEntry& entry : m_entries) {
        if (entry.length > m_longestLength) {
            m_longestLength = entry.length;
            m_longestCount = 0;
        }
        m_longestCount += entry.length == m_longestLength ? 1 : 0;
    }
}

void COXHistoryCtrl::UpdateContentSize()
{
    const ProgramScroll own(*this);
    const QSize client = viewport()->size();
    // The current indent is added so that the end of the longest line can be
    // scrolled into view rather than staying cut by the indent.
    const int contentWidth = m_longestLength * m_charWidth + std::max(0, m_indent);
    // The client height's remainder is added so that, scrolled to the end, the
    // lines above fill whole bands from the top edge.
    const int lineCount = static_cast<int>(m_entries.size());
    const int contentHeight = lineCount * m_lineHeight + client.height() % m_lineHeight;

    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(m_charWidth);
    horizontal->setPageStep(std::max(1, client.width()));
    horizontal->setRange(0, std::max(0, contentWidth - client.width()));
    QScrollBar* vertical = verticalScrollBar();
    vertical->setSingleStep(m_lineHeight);
    vertical->setPageStep(std::max(1, client.height()));
    vertical->setRange(0, std::max(0, contentHeight - client.height()));
}

void COXHistoryCtrl::ScrollToEnd()
{
    // QScrollBar clamps the value to its range, which places the newest line in view.
    const ProgramScroll own(*this);
    verticalScrollBar()->setValue(static_cast<int>(m_entries.size()) * m_lineHeight);
}

void COXHistoryCtrl::PageByOneStep(QScrollBar* bar, int action)
{
    // Called before the slider's value follows its position, so the value is
    // still the one the action started from.
    if (action == QAbstractSlider::SliderPageStepAdd) {
        bar->setSliderPosition(bar->value() + bar->singleStep());
    } else if (action == QAbstractSlider::SliderPageStepSub) {
        bar->setSliderPosition(bar->value() - bar->singleStep());
    }
}

void COXHistoryCtrl::ShowRows()
{
    const QSize client = viewport()->size();
    const int lineCount = static_cast<int>(m_entries.size());
    const int x0 = horizontalScrollBar()->value();
    const int y0 = verticalScrollBar()->value();
    const int width =
        std::max(client.width(), m_longestLength * m_charWidth + std::max(0, m_indent));
    const int first = y0 / m_lineHeight;
    if (y0 % m_lineHeight != m_screenOffset) {
        m_screenOffset = y0 % m_lineHeight;
        m_screen.Invalidate();
    }
    const int rows = (client.height() + m_screenOffset + m_lineHeight - 1) / m_lineHeight;
    m_screen.SetRowCount(rows);
    const qreal cell = m_text.CellWidth();
    std::vector<QRect> changed;
    for (int r = 0; r < rows; ++r) {
        const int top = r * m_lineHeight - m_screenOffset;
        RowLook look;
        look.bandLeft = -x0;
        look.bandWidth = width;
        CellSpan span;
        if (first + r < lineCount) {
            HistoryEntry& entry = m_entries[static_cast<size_t>(first + r)];
            if (!entry.prepared) {
                m_text.Prepare(entry.text, entry.glyphs);
                entry.prepared = true;
            }
            look.textLeft = -x0 + AlignedLeft(entry.drawFlags, entry.indent, width,
                                              m_text.PixelWidth(entry.glyphs.cells));
            look.foreground = entry.textColour;
            look.background = entry.backColour;
            if (m_selected != 0 && SerialOf(first + r) == m_selected) {
                look.foreground = FromQColor(palette().color(QPalette::HighlightedText));
                look.background = FromQColor(palette().color(QPalette::Highlight));
            }
            span = m_screen.Show(r, entry.text, look, &entry.glyphs);
        } else {
            look.background = FromQColor(palette().color(QPalette::Base));
            span = m_screen.Show(r, {}, look);
        }
        const QRect rect =
            ChangedRect(span, look.textLeft, cell, top, m_lineHeight, client.width());
        if (!rect.isEmpty()) {
            changed.push_back(rect);
        }
    }
    m_linesShown = m_linesAdded;
    if (!RepaintChanged(changed)) {
        NotifyShown();  // the screen shows these lines already
    }
}

void COXHistoryCtrl::paintEvent(QPaintEvent* event)
{
    ShowRowsBeforePaint();
    QPainter painter(viewport());
    const QColor base = palette().color(QPalette::Base);
    const int baseline = (m_lineHeight - m_text.LineHeight()) / 2 + m_text.Ascent();
    // Part by part, row by row: only the rows asked for are drawn.
    for (const QRect& part : event->region()) {
        painter.setClipRect(part);
        const int first = std::max(0, (part.top() + m_screenOffset) / m_lineHeight);
        const int last = (part.bottom() + m_screenOffset) / m_lineHeight;
        for (int r = first; r <= last; ++r) {
            const int top = r * m_lineHeight - m_screenOffset;
            const QRect band = QRect(part.left(), top, part.width(), m_lineHeight) & part;
            if (r >= m_screen.RowCount() || !m_screen.At(r).known) {
                painter.fillRect(band, base);
                continue;
            }
            const RowLook& look = m_screen.At(r).look;
            painter.fillRect(QRect(look.bandLeft, top, look.bandWidth, m_lineHeight) & band,
                             ToQColor(look.background));
            painter.setPen(ToQColor(look.foreground));
            CellTextPainter::Draw(painter, QPointF(look.textLeft, top + baseline),
                                  m_screen.Glyphs(r, m_text));
        }
    }
    painter.end();
    NotifyShown();
}

void COXHistoryCtrl::NotifyShown()
{
    if (m_paintObserver) {
        m_paintObserver(m_linesShown);
    }
}

void COXHistoryCtrl::resizeEvent(QResizeEvent* event)
{
    // A scroll bar that appears after an append shrinks the window later, from
    // the event loop; a control that follows keeps showing the newest line.
    CellRowsView::resizeEvent(event);
    UpdateContentSize();
    if (IsFollowing()) {
        ScrollToEnd();
    }
    RepaintAll();
}

void COXHistoryCtrl::changeEvent(QEvent* event)
{
    CellRowsView::changeEvent(event);
    RepaintAll();  // colours or style may have changed
}

void COXHistoryCtrl::KeepShownLines(int dropped)
{
    if (dropped > 0) {
        const ProgramScroll own(*this);
        QScrollBar* vertical = verticalScrollBar();
        vertical->setValue(vertical->value() - dropped * m_lineHeight);
    }
}

uint64_t COXHistoryCtrl::SerialOf(int i) const
{
    // Lines leave only from the start, so the serials held run on without gaps.
    return m_linesAdded - m_entries.size() + static_cast<uint64_t>(i) + 1;
}

int COXHistoryCtrl::SelectedLine() const
{
    const uint64_t first = SerialOf(0);
    if (m_selected < first || m_selected >= first + m_entries.size()) {
        return -1;
    }
    return static_cast<int>(m_selected - first);
}

int COXHistoryCtrl::LineAt(int y) const
{
    const int line = (verticalScrollBar()->value() + y) / m_lineHeight;
    return y >= 0 && line < static_cast<int>(m_entries.size()) ? line : -1;
}

QString COXHistoryCtrl::CopyText(int row) const
{
    std::vector<std::string> lines;
    const int selected = SelectedLine();
    if (selected >= 0 || (row >= 0 && row < static_cast<int>(m_entries.size()))) {
        lines.push_back(m_entries[static_cast<size_t>(selected >= 0 ? selected : row)].text);
    } else {
        const int top = verticalScrollBar()->value();
        const int first = top / m_lineHeight;
        const int last = (top + viewport()->height() - 1) / m_lineHeight;
        for (int i = first; i <= last && i < static_cast<int>(m_entries.size()); ++i) {
            lines.push_back(m_entries[static_cast<size_t>(i)].text);
        }
    }
    return JoinLines(lines);
}

int COXHistoryCtrl::AccessibleRowCount() const
{
    return static_cast<int>(m_entries.size());
}

QString COXHistoryCtrl::AccessibleText(int row, int) const
{
    return QString::fromStdString(m_entries[static_cast<size_t>(row)].text);
}

bool COXHistoryCtrl::IsRowSelected(int row) const
{
    return row == SelectedLine();
}

bool COXHistoryCtrl::SelectRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_entries.size())) {
        return false;
    }
    m_selected = SerialOf(row);
    SetFollowing(false);
    NoteCurrentRowMoved(row);
    RepaintAll();
    return true;
}

QRect COXHistoryCtrl::AccessibleRowRect(int row) const
{
    return QRect(
        -horizontalScrollBar()->value(), row * m_lineHeight - verticalScrollBar()->value(),
        std::max(viewport()->width(), m_longestLength * m_charWidth + std::max(0, m_indent)),
        m_lineHeight);
}

void COXHistoryCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_End) {
        SetFollowing(true);
        ScrollToEnd();
    } else if (event->key() == Qt::Key_Home) {
        verticalScrollBar()->setValue(0);  // as the user's own scroll: pauses
    } else {
        CellRowsView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void COXHistoryCtrl::mousePressEvent(QMouseEvent* event)
{
    const int line = LineAt(event->position().toPoint().y());
    if (line >= 0 && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)) {
        SelectRow(line);
    }
    CellRowsView::mousePressEvent(event);
}
