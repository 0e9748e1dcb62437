#include "rxlog/ui/CellText.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

CellTextPainter::CellTextPainter(const QFont& font)
{
    SetFont(font);
}

void CellTextPainter::SetFont(const QFont& font)
{
    m_font = font;
    const QFontMetricsF metrics(m_font);
    m_cellWidth = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('X')));
    // The line holds the tallest glyphs of every font that draws it: the
    // font's own, and the fallback that draws Hangul where the font has none,
    // which may reach higher and lower.
    qreal ascent = metrics.ascent();
    qreal descent = metrics.descent();
    QTextLayout sample(QStringLiteral("한글 Xgjy|"), m_font);
    sample.setCacheEnabled(false);
    sample.beginLayout();
    sample.createLine();
    sample.endLayout();
    for (const QGlyphRun& run : sample.glyphRuns()) {
        ascent = std::max(ascent, run.rawFont().ascent());
        descent = std::max(descent, run.rawFont().descent());
    }
    m_ascent = static_cast<int>(std::ceil(ascent));
    m_lineHeight = std::max(1, m_ascent + static_cast<int>(std::ceil(descent)));
    m_fonts.clear();
    m_asciiKnown.fill(false);
    m_others.clear();
}

int CellTextPainter::LinePitch(int minimum) const
{
    return std::max(minimum, m_lineHeight + kLineGap);
}

int CellTextPainter::PixelWidth(int cells) const
{
    return static_cast<int>(std::ceil(cells * m_cellWidth));
}

CellTextPainter::Glyph CellTextPainter::Lookup(char32_t c)
{
    if (c < m_ascii.size()) {
        if (!m_asciiKnown[c]) {
            m_ascii[c] = Find(c);
            m_asciiKnown[c] = true;
        }
        return m_ascii[c];
    }
    const auto known = m_others.find(c);
    if (known != m_others.end()) {
        return known->second;
    }
    return m_others.emplace(c, Find(c)).first->second;
}

CellTextPainter::Glyph CellTextPainter::Find(char32_t c)
{
    Glyph glyph;
    if (c <= U' ' || c == 0x7F) {
        return glyph;  // blanks and control characters leave their cells empty
    }
    // The one place text is shaped: a single character, once per font.
    QTextLayout layout(QString::fromUcs4(&c, 1), m_font);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QList<quint32> indexes = run.glyphIndexes();
        if (indexes.isEmpty()) {
            continue;
        }
        const QRawFont raw = run.rawFont();
        size_t font = 0;
        while (font < m_fonts.size() && !(m_fonts[font] == raw)) {
            ++font;
        }
        if (font == m_fonts.size()) {
            m_fonts.push_back(raw);
        }
        glyph.font = static_cast<int>(font);
        glyph.index = indexes.front();
        break;
    }
    return glyph;
}

void CellTextPainter::Prepare(std::string_view utf8, CellLine& line)
{
    m_placed.clear();
    int cell = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i++]);
        char32_t c = lead;
        int width = 1;
        if (lead >= 0x80) {
            if ((lead & 0xC0) == 0x80) {
                continue;  // a stray continuation byte takes no cell
            }
            width = 2;
            const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
            c = lead & (0x3F >> more);
            int taken = 0;
            while (taken < more && i < utf8.size() &&
                   (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) {
                c = (c << 6) | (static_cast<unsigned char>(utf8[i++]) & 0x3F);
                ++taken;
            }
            if (taken < more) {
                cell += width;
                continue;
            }
        }
        const Glyph glyph = Lookup(c);
        if (glyph.font >= 0) {
            m_placed.push_back({glyph, cell});
        }
        cell += width;
    }
    line.cells = cell;

    // One run per font, its lists allocated once at their final size; the
    // line's runs are reused.
    size_t used = 0;
    for (int font = 0; font < static_cast<int>(m_fonts.size()); ++font) {
        qsizetype count = 0;
        for (const Placed& placed : m_placed) {
            count += placed.glyph.font == font ? 1 : 0;
        }
        if (count == 0) {
            continue;
        }
        QList<quint32> indexes(count);
        QList<QPointF> positions(count);
        quint32* index = indexes.data();
        QPointF* position = positions.data();
        for (const Placed& placed : m_placed) {
            if (placed.glyph.font == font) {
                *index++ = placed.glyph.index;
                *position++ = QPointF(placed.cell * m_cellWidth, 0);
            }
        }
        if (used == line.runs.size()) {
            line.runs.emplace_back();
        }
        QGlyphRun& run = line.runs[used++];
        run.setRawFont(m_fonts[static_cast<size_t>(font)]);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
    }
    line.runs.resize(used);
}

void CellTextPainter::Draw(QPainter& painter, QPointF leftBaseline, const CellLine& line)
{
    for (const QGlyphRun& run : line.runs) {
        painter.drawGlyphRun(leftBaseline, run);
    }
}
