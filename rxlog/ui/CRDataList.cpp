#include "rxlog/ui/CRDataList.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>

#include "common/CommandIds.h"
#include "common/CommandRouter.h"
#include "common/TextFormat.h"
#include "common/ui/CommandMenu.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CopyLines.h"
#include "rxlog/ui/ListFont.h"

namespace {

// RowLook flags of a screen row.
constexpr uint32_t kSelectedRow = 1;

constexpr std::array<CommandMenuItem, 7> kRDataMenu{{
    {kCmdClearReceivedData, "수신 데이터 전체 삭제"},
    {0, nullptr},
    {kCmdReceptionStart, "CAN 데이터 수신 시작"},
    {kCmdReceptionStop, "CAN 데이터 수신 중지"},
    {0, nullptr},
    {kCmdReceivedDataLogStart, "수신 데이터 로깅 시작"},
    {kCmdReceivedDataLogStop, "수신 데이터 로깅 중지"},
}};

}  // namespace

CRDataList::CRDataList(QWidget* parent) : CellRowsView(parent), m_rows(kMaxLines)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    // Painting fills every pixel of the viewport, so no background is erased first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setAccessibleName(QString::fromUtf8("수신 데이터"));
    setFont(MakeListFont());
    m_text.SetFont(font());
    m_lineHeight = m_text.LinePitch(kLineHeight);
    // The text keeps the distance from the row's edge that list views give it.
    m_textMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    verticalScrollBar()->setSingleStep(1);
    UpdateScrollBars();
    FollowUserScrolling();
    SetReceivedDataSink(this);
}

CRDataList::~CRDataList()
{
    if (ReceivedDataSink() == this) {
        SetReceivedDataSink(nullptr);
    }
}

CRDataList::Row& CRDataList::At(int row)
{
    return m_rows[static_cast<size_t>((m_first + row) % kMaxLines)];
}

const CRDataList::Row& CRDataList::At(int row) const
{
    return m_rows[static_cast<size_t>((m_first + row) % kMaxLines)];
}

const std::string& CRDataList::LineText(int row) const
{
    return At(row).text;
}

void CRDataList::AddReceivedFrameLine(std::string_view line, bool extended, uint32_t id)
{
    if (m_filter.Matches(extended, id)) {
        AddLine(line);
        return;
    }
    CountFrame(false);
    m_repaint->Request();
    if (IsLogging(kReceivedDataLog)) {
        WriteLog(kReceivedDataLog, TimeStampedLine(line));
    }
}

void CRDataList::AddLine(std::string_view text)
{
    CountFrame(true);
    const int widestBefore = m_widestCells;
    int droppedCells = -1;
    if (m_count == kMaxLines) {
        droppedCells = At(0).cells;
        m_first = (m_first + 1) % kMaxLines;
        --m_count;
        NoteRowsDropped(1);
    }
    NoteRowsAppended(1);
    Row& row = At(m_count++);
    row.text.assign(text);
    row.cells = Cp949Width(text);
    row.prepared = false;
    if (row.cells >= m_widestCells) {
        m_widestCells = row.cells;
    } else if (droppedCells == m_widestCells) {
        RecomputeWidest();
    }
    ++m_linesAdded;
    const bool following = IsFollowing() || m_current < 0;
    if (following) {
        m_current = m_count - 1;
        m_anchor = -1;
    } else if (droppedCells >= 0) {
        // The same lines, or the oldest left.
        m_current = std::max(0, m_current - 1);
        m_anchor = m_anchor >= 0 ? std::max(0, m_anchor - 1) : -1;
    }
    if (m_count == 1) {
        emit HasLinesChanged();
    }
    // A full list keeps its scroll ranges while its widest line stays.
    if (droppedCells < 0 || m_widestCells != widestBefore) {
        UpdateScrollBars();
    }
    if (following) {
        ScrollIntoView(m_current);
    } else if (droppedCells >= 0) {
        // The lines shown moved up by one: so does the view.
        const ProgramScroll own(*this);
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
    }
    m_repaint->Request();
    if (IsLogging(kReceivedDataLog)) {
        WriteLog(kReceivedDataLog, TimeStampedLine(text));
    }
}

void CRDataList::Clear()
{
    const bool had = m_count > 0;
    m_first = 0;
    m_count = 0;
    m_current = -1;
    m_anchor = -1;
    m_widestCells = 0;
    ResetFrameCounts();
    NoteRowsReset();
    UpdateScrollBars();
    m_repaint->Request();
    SetFollowing(true);  // nothing left to hold still
    if (had) {
        emit HasLinesChanged();
    }
}

void CRDataList::RecomputeWidest()
{
    m_widestCells = 0;
    for (int i = 0; i < m_count; ++i) {
        m_widestCells = std::max(m_widestCells, At(i).cells);
    }
}

void CRDataList::SetCurrentRow(int row, bool extend)
{
    if (m_count == 0) {
        return;
    }
    if (!extend) {
        m_anchor = -1;
    } else if (m_anchor < 0) {
        m_anchor = m_current;
    }
    m_current = std::clamp(row, 0, m_count - 1);
    ScrollIntoView(m_current);
    SetFollowing(m_current == m_count - 1 && m_anchor < 0);
    NoteCurrentRowMoved(m_current);
    m_repaint->Request();
}

bool CRDataList::SelectRow(int row)
{
    if (row < 0 || row >= m_count) {
        return false;
    }
    SetCurrentRow(row);
    return true;
}

QString CRDataList::AccessibleText(int row, int) const
{
    return QString::fromStdString(LineText(row));
}

bool CRDataList::IsRowSelected(int row) const
{
    if (m_anchor < 0) {
        return row == m_current;
    }
    return std::min(m_anchor, m_current) <= row && row <= std::max(m_anchor, m_current);
}

QString CRDataList::CopyText() const
{
    std::vector<std::string> lines;
    for (int row = 0; row < m_count; ++row) {
        if (IsRowSelected(row)) {
            lines.push_back(LineText(row));
        }
    }
    return JoinLines(lines);
}

int CRDataList::FullRows() const
{
    return std::max(1, viewport()->height() / m_lineHeight);
}

int CRDataList::RowAt(int y) const
{
    const int row = verticalScrollBar()->value() + y / m_lineHeight;
    return y >= 0 && row < m_count ? row : -1;
}

QRect CRDataList::RowRect(int row) const
{
    const int x0 = horizontalScrollBar()->value();
    const int width = std::max(viewport()->width() + x0, WidestLine() + 2 * m_textMargin);
    return QRect(-x0, (row - verticalScrollBar()->value()) * m_lineHeight, width, m_lineHeight);
}

void CRDataList::UpdateScrollBars()
{
    const ProgramScroll own(*this);
    // Vertically the list scrolls by whole lines, horizontally by pixels.
    const int fullRows = FullRows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(fullRows);
    vertical->setRange(0, std::max(0, m_count - fullRows));
    const int viewWidth = viewport()->width();
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(std::max(1, static_cast<int>(m_text.CellWidth())));
    horizontal->setPageStep(std::max(1, viewWidth));
    horizontal->setRange(0, std::max(0, WidestLine() + 2 * m_textMargin - viewWidth));
}

void CRDataList::ScrollIntoView(int row)
{
    const ProgramScroll own(*this);
    QScrollBar* vertical = verticalScrollBar();
    if (row < vertical->value()) {
        vertical->setValue(row);
    } else if (row >= vertical->value() + FullRows()) {
        vertical->setValue(row - FullRows() + 1);
    }
}

void CRDataList::ShowRows()
{
    const int top = verticalScrollBar()->value();
    const int viewWidth = viewport()->width();
    const int rows = (viewport()->height() + m_lineHeight - 1) / m_lineHeight;
    m_screen.SetRowCount(rows);
    const QRect firstBand = RowRect(top);
    RowLook look;
    look.bandLeft = firstBand.left();
    look.bandWidth = firstBand.width();
    look.textLeft = firstBand.left() + m_textMargin;
    const qreal cell = m_text.CellWidth();
    std::vector<QRect> changed;
    for (int r = 0; r < rows; ++r) {
        const int line = top + r;
        look.flags = IsRowSelected(line) ? kSelectedRow : 0;
        CellSpan span;
        if (line < m_count) {
            Row& row = At(line);
            if (!row.prepared) {
                m_text.Prepare(row.text, row.glyphs);
                row.prepared = true;
            }
            span = m_screen.Show(r, row.text, look, &row.glyphs);
        } else {
            span = m_screen.Show(r, {}, look);
        }
        const QRect rect =
            ChangedRect(span, look.textLeft, cell, r * m_lineHeight, m_lineHeight, viewWidth);
        if (!rect.isEmpty()) {
            changed.push_back(rect);
        }
    }
    m_linesShown = m_linesAdded;
    if (!RepaintChanged(changed)) {
        NotifyShown();  // the screen shows these lines already
    }
}

void CRDataList::paintEvent(QPaintEvent* event)
{
    ShowRowsBeforePaint();
    QPainter painter(viewport());
    const QPalette::ColorGroup group = isActiveWindow() ? QPalette::Active : QPalette::Inactive;
    const QPalette& colours = palette();
    const QColor base = colours.color(group, QPalette::Base);
    const int baseline = (m_lineHeight - m_text.LineHeight()) / 2 + m_text.Ascent();
    // Part by part, row by row, background then text, so that each band is
    // drawn while it is still in the cache and only the rows asked for are.
    for (const QRect& part : event->region()) {
        painter.setClipRect(part);
        const int first = std::max(0, part.top()) / m_lineHeight;
        const int last = part.bottom() / m_lineHeight;
        for (int r = first; r <= last; ++r) {
            const QRect band =
                QRect(part.left(), r * m_lineHeight, part.width(), m_lineHeight) & part;
            if (r >= m_screen.RowCount() || !m_screen.At(r).known) {
                painter.fillRect(band, base);
                continue;
            }
            const RowLook& look = m_screen.At(r).look;
            const bool selected = (look.flags & kSelectedRow) != 0;
            if (selected) {
                painter.drawPixmap(look.bandLeft, r * m_lineHeight,
                                   SelectionBand(QSize(look.bandWidth, m_lineHeight)));
            } else {
                painter.fillRect(band, base);
            }
            painter.setPen(
                colours.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
            CellTextPainter::Draw(painter, QPointF(look.textLeft, r * m_lineHeight + baseline),
                                  m_screen.Glyphs(r, m_text));
        }
    }
    painter.end();
    NotifyShown();
}

void CRDataList::NotifyShown()
{
    if (m_paintObserver) {
        m_paintObserver(m_linesShown);
    }
}

const QPixmap& CRDataList::SelectionBand(const QSize& size)
{
    QStyleOptionViewItem option;
    option.initFrom(this);
    option.rect = QRect(QPoint(0, 0), size);
    option.state |= QStyle::State_Selected;
    option.showDecorationSelected = true;
    option.viewItemPosition = QStyleOptionViewItem::OnlyOne;
    const qreal ratio = devicePixelRatioF();
    const BandLooks looks{size, static_cast<int>(option.state), option.palette.cacheKey(), style(),
                          ratio};
    if (looks != m_bandLooks || m_band.isNull()) {
        m_band = QPixmap(size * ratio);
        m_band.setDevicePixelRatio(ratio);
        m_band.fill(option.palette.color(QPalette::Base));
        QPainter painter(&m_band);
        // The style draws the selected row as its item views do, focus frame included.
        style()->drawControl(QStyle::CE_ItemViewItem, &option, &painter, this);
        m_bandLooks = looks;
    }
    return m_band;
}

void CRDataList::resizeEvent(QResizeEvent* event)
{
    // A list that follows keeps showing the newest line.
    CellRowsView::resizeEvent(event);
    UpdateScrollBars();
    if (IsFollowing()) {
        const ProgramScroll own(*this);
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    RepaintAll();
}

void CRDataList::keyPressEvent(QKeyEvent* event)
{
    const bool extend = (event->modifiers() & Qt::ShiftModifier) != 0;
    switch (event->key()) {
    case Qt::Key_Up:
        SetCurrentRow(m_current - 1, extend);
        break;
    case Qt::Key_Down:
        SetCurrentRow(m_current + 1, extend);
        break;
    case Qt::Key_PageUp:
        SetCurrentRow(m_current - FullRows(), extend);
        break;
    case Qt::Key_PageDown:
        SetCurrentRow(m_current + FullRows(), extend);
        break;
    case Qt::Key_Home:
        SetCurrentRow(0, extend);
        break;
    case Qt::Key_End:
        SetCurrentRow(m_count - 1, extend);
        break;
    default:
        CellRowsView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CRDataList::mousePressEvent(QMouseEvent* event)
{
    const int row = RowAt(event->position().toPoint().y());
    if (row >= 0 && event->button() == Qt::LeftButton) {
        SetCurrentRow(row, (event->modifiers() & Qt::ShiftModifier) != 0);
    } else if (row >= 0 && event->button() == Qt::RightButton && !IsRowSelected(row)) {
        SetCurrentRow(row);  // a right click in the selection keeps it for the menu
    }
    CellRowsView::mousePressEvent(event);
}

void CRDataList::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging with the left button selects the run of lines from the one pressed.
    if ((event->buttons() & Qt::LeftButton) != 0 && m_count > 0) {
        const int y = event->position().toPoint().y();
        SetCurrentRow(verticalScrollBar()->value() + (y < 0 ? -1 : y / m_lineHeight), true);
    }
    CellRowsView::mouseMoveEvent(event);
}

void CRDataList::focusInEvent(QFocusEvent* event)
{
    CellRowsView::focusInEvent(event);
    RepaintAll();  // the selected row shows the focus
}

void CRDataList::focusOutEvent(QFocusEvent* event)
{
    CellRowsView::focusOutEvent(event);
    RepaintAll();
}

void CRDataList::changeEvent(QEvent* event)
{
    CellRowsView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_text.SetFont(font());
        m_lineHeight = m_text.LinePitch(kLineHeight);
        for (Row& row : m_rows) {
            row.prepared = false;
        }
        UpdateScrollBars();
    }
    // Colours, font, style or the window's activity may have changed.
    RepaintAll();
}

std::unique_ptr<QMenu> CRDataList::BuildContextMenu()
{
    if (m_router == nullptr) {
        return nullptr;
    }
    const bool hasLines = m_count > 0;
    const bool logging = IsLogging(kReceivedDataLog);
    const bool receptionOn = m_router->IsCommandEnabled(kCmdReceptionStop);
    std::unique_ptr<QMenu> menu =
        BuildCommandMenu(QStringLiteral("&RDataMenu"), kRDataMenu, *m_router,
                         [hasLines, logging, receptionOn](int id) {
                             switch (id) {
                             case kCmdClearReceivedData:
                                 return hasLines;
                             case kCmdReceptionStart:
                                 return !receptionOn;
                             case kCmdReceptionStop:
                                 return receptionOn;
                             case kCmdReceivedDataLogStart:
                                 return !logging;
                             case kCmdReceivedDataLogStop:
                                 return logging;
                             default:
                                 return false;
                             }
                         });
    AddCopyItem(*menu, CopyText());
    return menu;
}

void CRDataList::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    if (!menu) {
        return;
    }
    // A request from the keyboard carries no mouse position: open below the
    // current line, or at the top left of an empty list.
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        const QPoint local = m_current >= 0 ? RowRect(m_current).bottomLeft() : QPoint(0, 0);
        at = viewport()->mapToGlobal(local);
    }
    event->accept();
    menu->exec(at);
}
