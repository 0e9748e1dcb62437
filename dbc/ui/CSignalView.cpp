#include "dbc/ui/CSignalView.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <tuple>
#include <vector>

#include <QAbstractItemModel>
#include <QBrush>
#include <QHeaderView>
#include <QTimer>

#include "dbc/ui/DbcHeaders.h"
#include "rxlog/IdTable.h"

namespace {

constexpr quintptr kTopLevel = 0;
const QColor kOutsideColour(0xC0, 0x00, 0x00);

QString Utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The order of the by-identifier table: by value, an 11-bit identifier first.
bool KeyLess(const DbcMessageKey& a, const DbcMessageKey& b)
{
    return std::make_tuple(a.id, a.extended) < std::make_tuple(b.id, b.extended);
}

}  // namespace

// The rows of CSignalView. Top-level row r is message r; its children carry
// r + 1 as their internal id.
class SignalTreeModel : public QAbstractItemModel {
public:
    struct Line {
        const DbcSignal* signal = nullptr;
        bool available = false;
        uint64_t raw = 0;
        bool outside = false;
        QString value;
        QString rawText;
    };
    struct Message {
        DbcMessageKey key;
        const DbcMessage* message = nullptr;
        size_t tableRow = 0;
        uint64_t count = 0;
        int64_t periodMs = -1;
        std::array<uint8_t, 8> data{};
        int dataCount = -1;  // of the data last decoded; -1 before the first decoding
        std::vector<Line> lines;
    };

    explicit SignalTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

    void Reset()
    {
        beginResetModel();
        m_rows.clear();
        m_tableKeys.clear();
        endResetModel();
    }

    // Follows the table's rows: messages appear and go as identifiers do, and
    // counts and periods are brought up to date.
    void Sync(const IdTable& table, const DbcDatabase& database)
    {
        bool same = table.RowCount() == m_tableKeys.size();
        for (size_t i = 0; same && i < m_tableKeys.size(); ++i) {
            const IdTable::Row& row = table.RowAt(i);
            same = m_tableKeys[i].id == row.id && m_tableKeys[i].extended == row.extended;
        }
        if (!same) {
            Restructure(table, database);
        }
        int first = -1;
        int last = -1;
        for (size_t r = 0; r < m_rows.size(); ++r) {
            Message& message = m_rows[r];
            const IdTable::Row& row = table.RowAt(message.tableRow);
            const int64_t periodMs =
                row.period.count() < 0
                    ? -1
                    : std::chrono::duration_cast<std::chrono::milliseconds>(row.period).count();
            if (row.count != message.count || periodMs != message.periodMs) {
                message.count = row.count;
                message.periodMs = periodMs;
                first = first < 0 ? static_cast<int>(r) : first;
                last = static_cast<int>(r);
            }
        }
        if (first >= 0) {
            Q_EMIT dataChanged(index(first, CSignalView::kCountColumn),
                               index(last, CSignalView::kPeriodColumn));
        }
    }

    // Decodes message row r from the table's last data, when that changed.
    void Decode(int r, const IdTable& table)
    {
        Message& message = m_rows[static_cast<size_t>(r)];
        const IdTable::Row& row = table.RowAt(message.tableRow);
        if (message.dataCount == row.dataCount &&
            std::equal(row.data.begin(), row.data.begin() + row.dataCount, message.data.begin())) {
            return;
        }
        message.data = row.data;
        message.dataCount = row.dataCount;
        DecodeMessage(*message.message, message.data.data(), message.dataCount, m_values);

        const QModelIndex parent = index(r, 0);
        const bool sameSignals =
            m_values.size() == message.lines.size() &&
            std::equal(m_values.begin(), m_values.end(), message.lines.begin(),
                       [](const DbcSignalValue& v, const Line& l) { return v.signal == l.signal; });
        if (!sameSignals) {
            // Another multiplexer value: other signals.
            if (!message.lines.empty()) {
                beginRemoveRows(parent, 0, static_cast<int>(message.lines.size()) - 1);
                message.lines.clear();
                endRemoveRows();
            }
            if (!m_values.empty()) {
                beginInsertRows(parent, 0, static_cast<int>(m_values.size()) - 1);
                for (const DbcSignalValue& value : m_values) {
                    message.lines.push_back(MakeLine(value));
                }
                endInsertRows();
            }
            return;
        }
        int first = -1;
        int last = -1;
        for (size_t i = 0; i < m_values.size(); ++i) {
            const DbcSignalValue& value = m_values[i];
            Line& line = message.lines[i];
            if (value.available == line.available && value.raw == line.raw) {
                continue;
            }
            line = MakeLine(value);
            first = first < 0 ? static_cast<int>(i) : first;
            last = static_cast<int>(i);
        }
        if (first >= 0) {
            Q_EMIT dataChanged(index(first, CSignalView::kValueColumn, parent),
                               index(last, CSignalView::kRangeColumn, parent));
        }
    }

    int MessageCount() const { return static_cast<int>(m_rows.size()); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override
    {
        if (row < 0 || column < 0 || column >= CSignalView::kColumnCount) {
            return {};
        }
        if (!parent.isValid()) {
            return row < MessageCount() ? createIndex(row, column, kTopLevel) : QModelIndex();
        }
        if (parent.internalId() != kTopLevel || parent.row() >= MessageCount() ||
            row >= static_cast<int>(m_rows[static_cast<size_t>(parent.row())].lines.size())) {
            return {};
        }
        return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
    }

    QModelIndex parent(const QModelIndex& child) const override
    {
        if (!child.isValid() || child.internalId() == kTopLevel) {
            return {};
        }
        return createIndex(static_cast<int>(child.internalId() - 1), 0, kTopLevel);
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        if (!parent.isValid()) {
            return MessageCount();
        }
        if (parent.internalId() != kTopLevel || parent.column() != 0) {
            return 0;
        }
        return static_cast<int>(m_rows[static_cast<size_t>(parent.row())].lines.size());
    }

    int columnCount(const QModelIndex& = {}) const override { return CSignalView::kColumnCount; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid()) {
            return {};
        }
        if (index.internalId() == kTopLevel) {
            return role == Qt::DisplayRole
                       ? MessageText(m_rows[static_cast<size_t>(index.row())], index.column())
                       : QVariant();
        }
        const Line& line = m_rows[index.internalId() - 1].lines[static_cast<size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return LineText(line, index.column());
        case Qt::ForegroundRole:
            if (line.outside && (index.column() == CSignalView::kValueColumn ||
                                 index.column() == CSignalView::kRangeColumn)) {
                return QBrush(kOutsideColour);
            }
            return {};
        case Qt::ToolTipRole:
            if (index.column() == CSignalView::kNameColumn && !line.signal->comment.empty()) {
                return Utf8(line.signal->comment);
            }
            if (line.signal->HasRange() && (index.column() == CSignalView::kValueColumn ||
                                            index.column() == CSignalView::kRangeColumn)) {
                return QStringLiteral("%1 ~ %2").arg(
                    Utf8(FormatPhysical(*line.signal, line.signal->minimum)),
                    Utf8(FormatPhysical(*line.signal, line.signal->maximum)));
            }
            return {};
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char* const kTitles[CSignalView::kColumnCount] = {
            "이름", "ID", "수신 수", "주기(ms)", "설정 주기(ms)", "값", "Raw", "범위"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= CSignalView::kColumnCount) {
            return {};
        }
        return QString::fromUtf8(kTitles[section]);
    }

private:
    static QVariant MessageText(const Message& message, int column)
    {
        switch (column) {
        case CSignalView::kNameColumn:
            return Utf8(message.message->name);
        case CSignalView::kIdColumn: {
            char text[12];
            std::snprintf(text, sizeof text, message.key.extended ? "%08X" : "%03X",
                          message.key.id);
            return QString::fromLatin1(text);
        }
        case CSignalView::kCountColumn:
            return QString::number(message.count);
        case CSignalView::kPeriodColumn:
            return message.periodMs < 0 ? QStringLiteral("-") : QString::number(message.periodMs);
        case CSignalView::kCycleColumn:
            return message.message->cycleTimeMs > 0 ? QString::number(message.message->cycleTimeMs)
                                                    : QString();
        default:
            return {};
        }
    }

    static QVariant LineText(const Line& line, int column)
    {
        switch (column) {
        case CSignalView::kNameColumn:
            return Utf8(line.signal->name);
        case CSignalView::kValueColumn:
            return line.value;
        case CSignalView::kRawColumn:
            return line.rawText;
        case CSignalView::kRangeColumn:
            return line.outside ? QStringLiteral("범위 초과") : QString();
        default:
            return {};
        }
    }

    static Line MakeLine(const DbcSignalValue& value)
    {
        Line line;
        line.signal = value.signal;
        line.available = value.available;
        line.raw = value.raw;
        line.outside = value.available && value.outsideRange;
        if (value.available) {
            line.value = Utf8(FormatSignalValue(value));
            line.rawText = Utf8(FormatRawHex(*value.signal, value.raw));
        }
        return line;
    }

    // Merges the table's rows that name a DBC message into the rows shown,
    // inserting and removing one at a time so that the others stay as they are.
    void Restructure(const IdTable& table, const DbcDatabase& database)
    {
        m_tableKeys.resize(table.RowCount());
        std::vector<std::pair<DbcMessageKey, size_t>> wanted;
        for (size_t i = 0; i < table.RowCount(); ++i) {
            const IdTable::Row& row = table.RowAt(i);
            m_tableKeys[i] = {row.extended, row.id};
            if (database.Find(row.extended, row.id) != nullptr) {
                wanted.emplace_back(m_tableKeys[i], i);
            }
        }
        size_t at = 0;
        size_t next = 0;
        while (at < m_rows.size() || next < wanted.size()) {
            if (at < m_rows.size() && next < wanted.size() &&
                m_rows[at].key == wanted[next].first) {
                m_rows[at++].tableRow = wanted[next++].second;
            } else if (next == wanted.size() ||
                       (at < m_rows.size() && KeyLess(m_rows[at].key, wanted[next].first))) {
                beginRemoveRows({}, static_cast<int>(at), static_cast<int>(at));
                m_rows.erase(m_rows.begin() + static_cast<ptrdiff_t>(at));
                endRemoveRows();
            } else {
                Message message;
                message.key = wanted[next].first;
                message.message = database.Find(message.key.extended, message.key.id);
                message.tableRow = wanted[next].second;
                // Decoded once now, so that the row knows its signal lines
                // before it is first opened.
                const IdTable::Row& row = table.RowAt(message.tableRow);
                message.data = row.data;
                message.dataCount = row.dataCount;
                DecodeMessage(*message.message, message.data.data(), message.dataCount, m_values);
                for (const DbcSignalValue& value : m_values) {
                    message.lines.push_back(MakeLine(value));
                }
                beginInsertRows({}, static_cast<int>(at), static_cast<int>(at));
                m_rows.insert(m_rows.begin() + static_cast<ptrdiff_t>(at), std::move(message));
                endInsertRows();
                ++at;
                ++next;
            }
        }
    }

    std::vector<Message> m_rows;
    std::vector<DbcMessageKey> m_tableKeys;  // every table row at the last look
    std::vector<DbcSignalValue> m_values;    // kept, so decoding does not allocate
};

CSignalView::CSignalView(QWidget* parent)
    : QTreeView(parent), m_model(new SignalTreeModel(this)), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("SignalView"));
    setAccessibleName(QStringLiteral("신호"));
    setModel(m_model);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(true);
    header()->resizeSection(kNameColumn, 180);
    for (const int column : {kIdColumn, kCountColumn, kPeriodColumn, kCycleColumn}) {
        header()->resizeSection(column, 80);
    }
    header()->resizeSection(kValueColumn, 160);
    header()->resizeSection(kRawColumn, 120);
    connect(this, &QTreeView::expanded, this, [this] {
        m_stale = true;
        DecodeShownRows();
    });
    connect(m_timer, &QTimer::timeout, this, &CSignalView::Refresh);
    m_timer->start(kRefreshMs);
}

CSignalView::~CSignalView() = default;

void CSignalView::SetSources(const IdTable* table, const DbcDatabase* database)
{
    m_table = table;
    m_database = database;
    DatabaseChanged();
}

void CSignalView::DatabaseChanged()
{
    m_model->Reset();
    m_stale = true;
    Refresh();
}

void CSignalView::Refresh()
{
    if (m_table == nullptr || m_database == nullptr || !isVisible()) {
        return;
    }
    if (m_table->Revision() == m_seenRevision && !m_stale) {
        return;
    }
    m_seenRevision = m_table->Revision();
    m_stale = false;
    m_model->Sync(*m_table, *m_database);
    DecodeShownRows();
}

void CSignalView::DecodeShownRows()
{
    if (m_table == nullptr || m_model->MessageCount() == 0) {
        return;
    }
    // From the first line on screen down to the last: each open message whose
    // signal lines show, once. Decoding may change a message's lines, so the
    // rows are gathered first.
    const int bottom = viewport()->height();
    m_shownRows.clear();
    for (QModelIndex line = indexAt(QPoint(0, 0)); line.isValid(); line = indexBelow(line)) {
        if (visualRect(line).top() >= bottom) {
            break;
        }
        const QModelIndex message = line.parent().isValid() ? line.parent() : line;
        if ((m_shownRows.empty() || m_shownRows.back() != message.row()) && isExpanded(message)) {
            m_shownRows.push_back(message.row());
        }
    }
    for (const int row : m_shownRows) {
        m_model->Decode(row, *m_table);
    }
}

void CSignalView::scrollContentsBy(int dx, int dy)
{
    QTreeView::scrollContentsBy(dx, dy);
    m_stale = true;
}

void CSignalView::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    m_stale = true;
}
