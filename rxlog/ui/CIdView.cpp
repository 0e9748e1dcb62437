#include "rxlog/ui/CIdView.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include <QContextMenuEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "common/TextFormat.h"
#include "rxlog/ui/CopyLines.h"
#include "rxlog/ui/ListFont.h"
#include "rxlog/ui/RepaintPacer.h"

namespace {

using Clock = IdTable::Clock;

const QColor kHighlight(255, 236, 150);

}  // namespace

// The column captions above the rows, drawn on the same cells as the rows and
// moved with the horizontal scroll.
class CIdViewHeader : public QWidget {
public:
    CIdViewHeader(QWidget* parent, CellTextPainter& text) : QWidget(parent), m_text(text)
    {
        setObjectName(QStringLiteral("IdViewHeader"));
    }

    void SetLeft(qreal left)
    {
        m_left = left;
        update();
    }

    void ResetGlyphs()
    {
        m_line = CellLine();
        update();
    }

    void SetCaption(std::string caption)
    {
        m_caption = std::move(caption);
        ResetGlyphs();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_line.runs.empty()) {
            m_text.Prepare(m_caption, m_line);
        }
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Button));
        painter.setPen(palette().color(QPalette::ButtonText));
        const int baseline = (height() - m_text.LineHeight()) / 2 + m_text.Ascent();
        CellTextPainter::Draw(painter, QPointF(m_left, baseline), m_line);
    }

private:
    CellTextPainter& m_text;
    std::string m_caption = IdTableHeaderText();
    CellLine m_line;
    qreal m_left = 0;
};

CIdView::CIdView(QWidget* parent)
    : CellRowsView(parent, kRefreshMs),
      m_highlightEnd(new QTimer(this)),
      m_header(new CIdViewHeader(this, m_text))
{
    setObjectName(QStringLiteral("IdView"));
    setAccessibleName(QString::fromUtf8("ID별 수신 데이터"));
    setFont(MakeListFont());
    m_text.SetFont(font());
    m_lineHeight = m_text.LinePitch(kLineHeight);
    m_header->SetLeft(m_textMargin);
    setViewportMargins(0, m_lineHeight, 0, 0);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(1);
    m_highlightEnd->setSingleShot(true);
    connect(m_highlightEnd, &QTimer::timeout, m_repaint, &RepaintPacer::Request);
}

CIdView::~CIdView() = default;

void CIdView::AddFrame(bool extended, uint32_t id, bool remote, uint8_t dlc, const uint8_t* data,
                       uint8_t dataCount, std::optional<Clock::time_point> at)
{
    m_table.Add(extended, id, remote, dlc, data, dataCount, at.value_or(Clock::now()));
    CountFrame(m_filter.Matches(extended, id));
    m_repaint->Request();
}

void CIdView::Clear()
{
    m_table.Clear();
    m_shownRowsValid = false;
    ResetFrameCounts();
    UpdateScrollBars();
    m_repaint->Request();
}

void CIdView::SetFilter(const DisplayFilter& filter)
{
    m_filter = filter;
    m_shownRowsValid = false;
    m_rangeRows = SIZE_MAX;  // the rows shown are others: reset at the next update
    m_repaint->Request();
}

void CIdView::SetMessageNamer(MessageNamer namer)
{
    m_namer = std::move(namer);
    NamesChanged();
}

void CIdView::NamesChanged()
{
    m_names.clear();
    m_header->SetCaption(HeaderLine());
    UpdateScrollBars();
    m_rangeRows = SIZE_MAX;  // the columns may have changed: a reset at the next update
    RepaintAll();
}

const std::string& CIdView::NameOf(const IdTable::Row& row) const
{
    const uint64_t key = (row.extended ? uint64_t{1} << 32 : 0) | row.id;
    auto found = m_names.find(key);
    if (found == m_names.end()) {
        found = m_names.emplace(key, m_namer(row.extended, row.id)).first;
    }
    return found->second;
}

std::string CIdView::RowLine(const IdTable::Row& row) const
{
    return m_namer ? IdNamedLine(IdRowText(row), NameOf(row)) : IdRowText(row);
}

std::string CIdView::HeaderLine() const
{
    return m_namer ? IdNamedHeaderText() : IdTableHeaderText();
}

void CIdView::SelectShownRows() const
{
    if (m_filter.ShowsEverything() ||
        (m_shownRowsValid && m_shownRowsRevision == m_table.Revision())) {
        return;
    }
    m_shownRows.clear();
    for (size_t i = 0; i < m_table.RowCount(); ++i) {
        const IdTable::Row& row = m_table.RowAt(i);
        if (m_filter.Matches(row.extended, row.id)) {
            m_shownRows.push_back(static_cast<uint32_t>(i));
        }
    }
    m_shownRowsRevision = m_table.Revision();
    m_shownRowsValid = true;
}

size_t CIdView::ShownRowCount() const
{
    if (m_filter.ShowsEverything()) {
        return m_table.RowCount();
    }
    SelectShownRows();
    return m_shownRows.size();
}

const IdTable::Row& CIdView::ShownRow(size_t index) const
{
    if (m_filter.ShowsEverything()) {
        return m_table.RowAt(index);
    }
    SelectShownRows();
    return m_table.RowAt(m_shownRows[index]);
}

void CIdView::UpdateScrollBars()
{
    const int visible = std::max(1, viewport()->height() / m_lineHeight);
    verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(ShownRowCount()) - visible));
    verticalScrollBar()->setPageStep(visible);
    const int width = m_text.PixelWidth(Cp949Width(HeaderLine())) + 2 * m_textMargin;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void CIdView::ShowRows()
{
    // The scroll range follows the number of rows once per display update,
    // not once per new identifier.
    const size_t shownRows = ShownRowCount();
    if (shownRows != m_rangeRows) {
        m_rangeRows = shownRows;
        UpdateScrollBars();
        NoteRowsReset();  // rows are kept sorted: a new one moves those after it
    } else if (m_table.Revision() != m_shownRevision) {
        NoteRowsUpdated();
    }
    m_shownRevision = m_table.Revision();
    const Clock::time_point now = Clock::now();
    const int top = verticalScrollBar()->value();
    const int left = -horizontalScrollBar()->value();
    const int viewWidth = viewport()->width();
    const int rows = (viewport()->height() + m_lineHeight - 1) / m_lineHeight;
    m_screen.SetRowCount(rows);
    RowLook look;
    look.bandLeft = 0;
    look.bandWidth = viewWidth;
    look.textLeft = left + m_textMargin;
    const qreal cell = m_text.CellWidth();
    const auto highlight = std::chrono::milliseconds(kHighlightMs);
    Clock::duration nextEnd = Clock::duration::max();
    std::vector<QRect> changed;
    for (int r = 0; r < rows; ++r) {
        const size_t index = static_cast<size_t>(top + r);
        CellSpan span;
        look.flags = 0;
        if (index < shownRows) {
            const IdTable::Row& row = ShownRow(index);
            for (int i = 0; i < row.dataCount; ++i) {
                const Clock::time_point changedAt = row.changedAt[static_cast<size_t>(i)];
                if (changedAt != Clock::time_point() && now - changedAt < highlight) {
                    look.flags |= 1u << i;
                    nextEnd = std::min(nextEnd, changedAt + highlight - now);
                }
            }
            span = m_screen.Show(r, RowLine(row), look);
        } else {
            span = m_screen.Show(r, {}, look);
        }
        const QRect rect =
            ChangedRect(span, look.textLeft, cell, r * m_lineHeight, m_lineHeight, viewWidth);
        if (!rect.isEmpty()) {
            changed.push_back(rect);
        }
    }
    if (nextEnd != Clock::duration::max()) {
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(nextEnd).count();
        m_highlightEnd->start(static_cast<int>(std::max<long long>(ms, 1)));
    }
    RepaintChanged(changed);
}

void CIdView::paintEvent(QPaintEvent* event)
{
    ShowRowsBeforePaint();
    QPainter painter(viewport());
    const QColor base = palette().color(QPalette::Base);
    const qreal cell = m_text.CellWidth();
    const int baseline = (m_lineHeight - m_text.LineHeight()) / 2 + m_text.Ascent();
    painter.setPen(palette().color(QPalette::Text));
    for (const QRect& part : event->region()) {
        painter.setClipRect(part);
        painter.fillRect(part, base);
        const int first = std::max(0, part.top()) / m_lineHeight;
        const int last = part.bottom() / m_lineHeight;
        for (int r = first; r <= last && r < m_screen.RowCount(); ++r) {
            if (!m_screen.At(r).known) {
                continue;
            }
            const RowLook& look = m_screen.At(r).look;
            for (int i = 0; i < 8; ++i) {
                if ((look.flags & (1u << i)) != 0) {
                    const qreal x = look.textLeft + (kIdDataFirstCell + 3 * i) * cell;
                    painter.fillRect(QRectF(x, r * m_lineHeight, 2 * cell, m_lineHeight),
                                     kHighlight);
                }
            }
            CellTextPainter::Draw(painter, QPointF(look.textLeft, r * m_lineHeight + baseline),
                                  m_screen.Glyphs(r, m_text));
        }
    }
}

void CIdView::resizeEvent(QResizeEvent* event)
{
    CellRowsView::resizeEvent(event);
    const QRect area = contentsRect();
    m_header->setGeometry(area.left(), area.top(), area.width(), m_lineHeight);
    UpdateScrollBars();
    RepaintAll();
}

void CIdView::scrollContentsBy(int dx, int dy)
{
    if (dx != 0) {
        m_header->SetLeft(m_textMargin - horizontalScrollBar()->value());
        m_screen.Invalidate();
    }
    CellRowsView::scrollContentsBy(dx, dy);
}

void CIdView::changeEvent(QEvent* event)
{
    CellRowsView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_text.SetFont(font());
        m_lineHeight = m_text.LinePitch(kLineHeight);
        setViewportMargins(0, m_lineHeight, 0, 0);
        m_header->ResetGlyphs();
        UpdateScrollBars();
    }
    RepaintAll();
}

int CIdView::RowAt(int y) const
{
    const int row = verticalScrollBar()->value() + y / m_lineHeight;
    return y >= 0 && row < static_cast<int>(ShownRowCount()) ? row : -1;
}

QString CIdView::CopyText(int row) const
{
    const auto tabbed = [this](std::string_view line, const std::string& name) {
        std::string text;
        for (const std::string& column : IdTableColumns(line)) {
            text += text.empty() ? "" : "\t";
            text += column;
        }
        if (m_namer) {
            text += "\t";
            text += name;
        }
        return text;
    };
    const auto rowText = [&](const IdTable::Row& shown) {
        return tabbed(IdRowText(shown), m_namer ? NameOf(shown) : std::string());
    };
    std::vector<std::string> lines;
    if (row >= 0 && row < static_cast<int>(ShownRowCount())) {
        lines.push_back(rowText(ShownRow(static_cast<size_t>(row))));
    } else if (ShownRowCount() > 0) {
        lines.push_back(tabbed(IdTableHeaderText(), "메시지"));
        for (size_t i = 0; i < ShownRowCount(); ++i) {
            lines.push_back(rowText(ShownRow(i)));
        }
    }
    return JoinLines(lines);
}

int CIdView::AccessibleRowCount() const
{
    return static_cast<int>(ShownRowCount());
}

QString CIdView::AccessibleText(int row, int column) const
{
    const IdTable::Row& shown = ShownRow(static_cast<size_t>(row));
    if (column == kIdColumns) {
        return QString::fromStdString(IdNameCut(NameOf(shown)));
    }
    const std::vector<std::string> columns = IdTableColumns(IdRowText(shown));
    return QString::fromStdString(columns[static_cast<size_t>(column)]);
}

QString CIdView::AccessibleColumnName(int column) const
{
    if (column == kIdColumns) {
        return QString::fromUtf8("메시지");
    }
    return QString::fromStdString(IdTableColumns(IdTableHeaderText())[static_cast<size_t>(column)]);
}

QRect CIdView::AccessibleRowRect(int row) const
{
    return QRect(-horizontalScrollBar()->value(),
                 (row - verticalScrollBar()->value()) * m_lineHeight,
                 std::max(viewport()->width(),
                          m_text.PixelWidth(Cp949Width(HeaderLine())) + 2 * m_textMargin),
                 m_lineHeight);
}

void CIdView::contextMenuEvent(QContextMenuEvent* event)
{
    const bool mouse = event->reason() == QContextMenuEvent::Mouse;
    QMenu menu;
    const QPoint local = viewport()->mapFromGlobal(event->globalPos());
    AddCopyItem(menu, CopyText(mouse ? RowAt(local.y()) : -1));
    event->accept();
    menu.exec(mouse ? event->globalPos() : viewport()->mapToGlobal(QPoint(0, 0)));
}
