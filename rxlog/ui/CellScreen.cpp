#include "rxlog/ui/CellScreen.h"

#include <algorithm>
#include <cmath>

#include "common/TextFormat.h"

namespace {

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

void CellScreen::SetRowCount(int rows)
{
    m_rows.resize(static_cast<size_t>(std::max(0, rows)));
}

void CellScreen::Invalidate()
{
    for (Row& row : m_rows) {
        row.known = false;
        row.prepared = false;  // the font may have changed too
    }
}

bool CellScreen::IsComplete() const
{
    return std::all_of(m_rows.begin(), m_rows.end(), [](const Row& row) { return row.known; });
}

CellSpan CellScreen::Difference(std::string_view before, std::string_view after)
{
    const size_t common = std::min(before.size(), after.size());
    size_t prefix = 0;
    while (prefix < common && before[prefix] == after[prefix]) {
        ++prefix;
    }
    if (prefix == before.size() && prefix == after.size()) {
        return {};
    }
    // Back to the first byte of the character the difference falls in.
    while (prefix > 0 && ((prefix < before.size() && IsContinuation(before[prefix])) ||
                          (prefix < after.size() && IsContinuation(after[prefix])))) {
        --prefix;
    }
    CellSpan span;
    span.first = Cp949Width(before.substr(0, prefix));
    const int cellsBefore = Cp949Width(before);
    const int cellsAfter = Cp949Width(after);
    span.end = std::max(cellsBefore, cellsAfter);
    if (cellsBefore == cellsAfter) {
        // A common ending then stands in the same cells in both texts.
        size_t suffix = 0;
        while (suffix < common - prefix &&
               before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
            ++suffix;
        }
        while (suffix > 0 && IsContinuation(before[before.size() - suffix])) {
            --suffix;
        }
        span.end = cellsBefore - Cp949Width(before.substr(before.size() - suffix));
    }
    return span;
}

CellSpan CellScreen::Show(int row, std::string_view text, const RowLook& look,
                          const CellLine* glyphs)
{
    Row& shown = m_rows[static_cast<size_t>(row)];
    CellSpan span;
    if (!shown.known || !(shown.look == look)) {
        span.whole = true;
    } else {
        span = Difference(shown.text, text);
        if (span.IsEmpty()) {
            return span;
        }
    }
    shown.known = true;
    shown.look = look;
    if (shown.text != text || !shown.prepared) {
        shown.text.assign(text);
        shown.prepared = glyphs != nullptr;
        if (glyphs != nullptr) {
            shown.glyphs = *glyphs;
        }
    }
    return span;
}

const CellLine& CellScreen::Glyphs(int row, CellTextPainter& painter)
{
    Row& shown = m_rows[static_cast<size_t>(row)];
    if (!shown.prepared) {
        painter.Prepare(shown.text, shown.glyphs);
        shown.prepared = true;
    }
    return shown.glyphs;
}

QRect ChangedRect(const CellSpan& span, qreal textLeft, qreal cellWidth, int top, int height,
                  int width)
{
    if (span.whole) {
        return QRect(0, top, width, height);
    }
    if (span.IsEmpty()) {
        return QRect();
    }
    const int left = std::max(0, static_cast<int>(textLeft + (span.first - 1) * cellWidth));
    const int right = static_cast<int>(std::ceil(textLeft + (span.end + 1) * cellWidth));
    return right > left ? QRect(left, top, right - left, height) : QRect();
}
