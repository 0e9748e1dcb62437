#include "dbc/ui/CSignalView.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <iterator>
#include <memory>
#include <cstdio>
#include <tuple>
#include <vector>

#include <QAbstractItemModel>
#include <QBrush>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

#include "dbc/ui/DbcHeaders.h"
#include "plot/PlotSettings.h"
#include "rxlog/IdTable.h"

namespace {

constexpr size_t kGone = static_cast<size_t>(-1);
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

// The rows of CSignalView. A signal line's index points at its message, which
// stays at one address while it is shown, so that indexes kept by the view
// (the current line, the selection) still find their message after messages
// above it came or went.
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
        int row = 0;  // its row now
    };

    explicit SignalTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

    void Reset()
    {
        beginResetModel();
        m_rows.clear();
        m_tableKeys.clear();
        m_tableMatches.clear();
        endResetModel();
    }

    // Follows the table's rows: messages appear and go as identifiers do, and
    // counts and periods are brought up to date.
    // Follows the table's rows: messages appear and go as identifiers do
    // (when restructure allows; until then a message whose identifier left
    // the table keeps its last values), and counts and periods are brought up
    // to date; only rows first to last are announced as changed (the others
    // are read when they come into view).
    enum class Rows { kSame, kChanged, kPending };
    Rows Sync(const IdTable& table, const DbcDatabase& database, int first, int last,
              bool restructure)
    {
        bool same = table.RowCount() == m_tableKeys.size();
        for (size_t i = 0; same && i < m_tableKeys.size(); ++i) {
            const IdTable::Row& row = table.RowAt(i);
            same = m_tableKeys[i].id == row.id && m_tableKeys[i].extended == row.extended;
        }
        if (!same && restructure) {
            Restructure(table, database);
        } else if (!same) {
            Remap(table);
        }
        int changedFirst = -1;
        int changedLast = -1;
        for (size_t r = 0; r < m_rows.size(); ++r) {
            Message& message = *m_rows[r];
            if (message.tableRow == kGone) {
                continue;
            }
            const IdTable::Row& row = table.RowAt(message.tableRow);
            const int64_t periodMs =
                row.period.count() < 0
                    ? -1
                    : std::chrono::duration_cast<std::chrono::milliseconds>(row.period).count();
            if (row.count != message.count || periodMs != message.periodMs) {
                message.count = row.count;
                message.periodMs = periodMs;
                const int at = static_cast<int>(r);
                if (at >= first && at <= last) {
                    changedFirst = changedFirst < 0 ? at : changedFirst;
                    changedLast = at;
                }
            }
        }
        if (changedFirst >= 0) {
            Q_EMIT dataChanged(index(changedFirst, CSignalView::kCountColumn),
                               index(changedLast, CSignalView::kPeriodColumn));
        }
        return same ? Rows::kSame : restructure ? Rows::kChanged : Rows::kPending;
    }

    // Decodes message row r from the table's last data, when that changed.
    void Decode(int r, const IdTable& table)
    {
        Message& message = *m_rows[static_cast<size_t>(r)];
        if (message.tableRow == kGone) {
            return;
        }
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
            return row < MessageCount() ? createIndex(row, column, nullptr) : QModelIndex();
        }
        if (parent.internalPointer() != nullptr || parent.row() >= MessageCount()) {
            return {};
        }
        Message* message = m_rows[static_cast<size_t>(parent.row())].get();
        if (row >= static_cast<int>(message->lines.size())) {
            return {};
        }
        return createIndex(row, column, message);
    }

    QModelIndex parent(const QModelIndex& child) const override
    {
        if (!child.isValid() || child.internalPointer() == nullptr) {
            return {};
        }
        return createIndex(static_cast<const Message*>(child.internalPointer())->row, 0, nullptr);
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        if (!parent.isValid()) {
            return MessageCount();
        }
        if (parent.internalPointer() != nullptr || parent.column() != 0) {
            return 0;
        }
        return static_cast<int>(m_rows[static_cast<size_t>(parent.row())]->lines.size());
    }

    int columnCount(const QModelIndex& = {}) const override { return CSignalView::kColumnCount; }

    // The plot keys (PlotKeyText) of the signals at these indexes, each once
    // in the order met: a signal line's own, every signal of a message row.
    QStringList PlotKeys(const QModelIndexList& indexes) const
    {
        QStringList keys;
        const auto add = [&keys](const DbcMessage& message, const DbcSignal& signal) {
            const QString key = QString::fromStdString(
                PlotKeyText(PlotSignalKey{message.id, message.extended, signal.name}));
            if (!keys.contains(key)) {
                keys << key;
            }
        };
        for (const QModelIndex& index : indexes) {
            if (!index.isValid()) {
                continue;
            }
            if (index.internalPointer() == nullptr) {
                const DbcMessage& message = *m_rows[static_cast<size_t>(index.row())]->message;
                for (const DbcSignal& signal : MessageSignals(message)) {
                    add(message, signal);
                }
            } else {
                const auto* message = static_cast<const Message*>(index.internalPointer());
                add(*message->message, *message->lines[static_cast<size_t>(index.row())].signal);
            }
        }
        return keys;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags flags = QAbstractItemModel::flags(index);
        if (index.isValid()) {
            flags |= Qt::ItemIsDragEnabled;
        }
        return flags;
    }

    QStringList mimeTypes() const override { return {QString::fromLatin1(kPlotSignalsMimeType)}; }

    QMimeData* mimeData(const QModelIndexList& indexes) const override
    {
        const QStringList keys = PlotKeys(indexes);
        if (keys.isEmpty()) {
            return nullptr;
        }
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(kPlotSignalsMimeType), keys.join('\n').toUtf8());
        return data;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid()) {
            return {};
        }
        if (index.internalPointer() == nullptr) {
            return role == Qt::DisplayRole
                       ? MessageText(*m_rows[static_cast<size_t>(index.row())], index.column())
                       : QVariant();
        }
        const Line& line = static_cast<const Message*>(index.internalPointer())
                               ->lines[static_cast<size_t>(index.row())];
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
    // Each run of messages that came or went is one insertion or removal.
    void Restructure(const IdTable& table, const DbcDatabase& database)
    {
        // Which table rows name a message: looked up only for identifiers
        // new since the last look (both lists are in the table's order).
        std::vector<DbcMessageKey> keys(table.RowCount());
        std::vector<const DbcMessage*> matches(table.RowCount());
        size_t old = 0;
        m_wanted.clear();
        for (size_t i = 0; i < table.RowCount(); ++i) {
            const IdTable::Row& row = table.RowAt(i);
            keys[i] = {row.extended, row.id};
            while (old < m_tableKeys.size() && KeyLess(m_tableKeys[old], keys[i])) {
                ++old;
            }
            matches[i] = old < m_tableKeys.size() && m_tableKeys[old] == keys[i]
                             ? m_tableMatches[old]
                             : database.Find(row.extended, row.id);
            if (matches[i] != nullptr) {
                m_wanted.push_back(i);
            }
        }
        m_tableKeys = std::move(keys);
        m_tableMatches = std::move(matches);

        size_t at = 0;
        size_t next = 0;
        const auto wantedKey = [this](size_t n) {
            return m_tableKeys[m_wanted[n]];
        };
        while (at < m_rows.size() || next < m_wanted.size()) {
            if (at < m_rows.size() && next < m_wanted.size() &&
                m_rows[at]->key == wantedKey(next)) {
                m_rows[at++]->tableRow = m_wanted[next++];
                continue;
            }
            const auto gone = [&](size_t r) {
                return r < m_rows.size() &&
                       (next == m_wanted.size() || KeyLess(m_rows[r]->key, wantedKey(next)));
            };
            if (gone(at)) {
                size_t end = at + 1;
                while (gone(end)) {
                    ++end;
                }
                beginRemoveRows({}, static_cast<int>(at), static_cast<int>(end - 1));
                m_rows.erase(m_rows.begin() + static_cast<ptrdiff_t>(at),
                             m_rows.begin() + static_cast<ptrdiff_t>(end));
                Renumber(at);
                endRemoveRows();
                continue;
            }
            std::vector<std::unique_ptr<Message>> fresh;
            while (next < m_wanted.size() &&
                   (at == m_rows.size() || KeyLess(wantedKey(next), m_rows[at]->key))) {
                fresh.push_back(MakeMessage(table, m_wanted[next++]));
            }
            beginInsertRows({}, static_cast<int>(at), static_cast<int>(at + fresh.size() - 1));
            m_rows.insert(m_rows.begin() + static_cast<ptrdiff_t>(at),
                          std::make_move_iterator(fresh.begin()),
                          std::make_move_iterator(fresh.end()));
            Renumber(at);
            endInsertRows();
            at += fresh.size();
        }
    }

    // Where each message's identifier is in the table now, without rows
    // coming or going.
    void Remap(const IdTable& table)
    {
        size_t at = 0;
        for (const std::unique_ptr<Message>& message : m_rows) {
            while (at < table.RowCount() &&
                   KeyLess({table.RowAt(at).extended, table.RowAt(at).id}, message->key)) {
                ++at;
            }
            const bool held =
                at < table.RowCount() &&
                DbcMessageKey{table.RowAt(at).extended, table.RowAt(at).id} == message->key;
            message->tableRow = held ? at : kGone;
        }
    }

    std::unique_ptr<Message> MakeMessage(const IdTable& table, size_t tableRow)
    {
        auto message = std::make_unique<Message>();
        message->key = m_tableKeys[tableRow];
        message->message = m_tableMatches[tableRow];
        message->tableRow = tableRow;
        // Decoded once now, so that the row knows its signal lines before it
        // is first opened.
        const IdTable::Row& row = table.RowAt(tableRow);
        message->data = row.data;
        message->dataCount = row.dataCount;
        DecodeMessage(*message->message, message->data.data(), message->dataCount, m_values);
        for (const DbcSignalValue& value : m_values) {
            message->lines.push_back(MakeLine(value));
        }
        return message;
    }

    void Renumber(size_t from)
    {
        for (size_t r = from; r < m_rows.size(); ++r) {
            m_rows[r]->row = static_cast<int>(r);
        }
    }

    std::vector<std::unique_ptr<Message>> m_rows;
    std::vector<DbcMessageKey> m_tableKeys;         // every table row at the last look
    std::vector<const DbcMessage*> m_tableMatches;  // and its message, or null
    std::vector<size_t> m_wanted;                   // table rows that name a message
    std::vector<DbcSignalValue> m_values;           // kept, so decoding does not allocate
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
    // Signals are dragged to the plot.
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    header()->setStretchLastSection(true);
    // Room for "EngineSpeed", "18FEF100", "2500.00 rpm" and the titles.
    const int widths[kColumnCount] = {160, 75, 60, 60, 95, 140, 110, 80};
    for (int column = 0; column < kColumnCount; ++column) {
        header()->resizeSection(column, widths[column]);
    }
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
    // The messages on screen: from the first line shown to the last.
    const auto messageRow = [](const QModelIndex& line) {
        return line.parent().isValid() ? line.parent().row() : line.row();
    };
    const QModelIndex top = indexAt(QPoint(0, 0));
    const QModelIndex bottom = indexAt(QPoint(0, viewport()->height() - 1));
    // Rows coming and going lay the whole tree out again: at most once a
    // second, but at once for the first messages and when the table was
    // emptied.
    const bool restructure = m_model->MessageCount() == 0 || m_table->RowCount() == 0 ||
                             !m_sinceRestructure.isValid() ||
                             m_sinceRestructure.elapsed() >= kRestructureMs;
    const auto rows =
        m_model->Sync(*m_table, *m_database, top.isValid() ? messageRow(top) : 0,
                      bottom.isValid() ? messageRow(bottom) : m_model->MessageCount(), restructure);
    if (rows == SignalTreeModel::Rows::kChanged) {
        m_sinceRestructure.start();
    }
    // Rows still to come or go are brought in even when no frame follows.
    m_stale = rows == SignalTreeModel::Rows::kPending;
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

QStringList CSignalView::PlotKeysAt(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return {};
    }
    // The whole selection when the line is part of it, else that line.
    const QModelIndexList selected = selectionModel()->selectedRows();
    const QModelIndex line = index.siblingAtColumn(0);
    return m_model->PlotKeys(selected.contains(line) ? selected : QModelIndexList{line});
}

void CSignalView::contextMenuEvent(QContextMenuEvent* event)
{
    const QStringList keys = PlotKeysAt(indexAt(event->pos()));
    if (keys.isEmpty()) {
        return;
    }
    QMenu menu(this);
    menu.addAction(QString::fromUtf8("그래프에 추가(&G)"), this,
                   [this, keys] { emit PlotRequested(keys); });
    menu.exec(event->globalPos());
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
