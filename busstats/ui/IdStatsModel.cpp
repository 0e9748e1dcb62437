#include "busstats/ui/IdStatsModel.h"

#include <algorithm>
#include <unordered_map>

#include "busstats/BusStats.h"

namespace {

QString Milliseconds(double value)
{
    return QString::number(value, 'f', 3);
}

}  // namespace

void IdStatsModel::Update(const BusStats& stats)
{
    const IdStatsTable& table = stats.Identifiers();
    std::vector<Entry> next(table.RowCount());
    for (size_t i = 0; i < next.size(); ++i) {
        const IdStatsTable::Row& row = table.RowAt(i);
        next[i] = {row, stats.LoadSharePercent(row),
                   (static_cast<uint64_t>(row.id) << 1) | (row.extended ? 1u : 0u)};
    }
    SortEntries(next);
    // The table only shrinks when it is cleared.
    if (next.size() < m_entries.size()) {
        beginResetModel();
        m_entries = std::move(next);
        endResetModel();
        return;
    }
    if (next.size() > m_entries.size()) {
        beginInsertRows(QModelIndex(), static_cast<int>(m_entries.size()),
                        static_cast<int>(next.size()) - 1);
        m_entries.resize(next.size());
        endInsertRows();
    }
    Rearrange(next);
}

void IdStatsModel::Rearrange(std::vector<Entry>& next)
{
    const bool sameOrder =
        std::equal(next.begin(), next.end(), m_entries.begin(), m_entries.end(),
                   [](const Entry& a, const Entry& b) { return a.key == b.key; });
    if (sameOrder) {
        m_entries.swap(next);
        if (!m_entries.empty()) {
            emit dataChanged(index(0, 0),
                             index(static_cast<int>(m_entries.size()) - 1, kColumnCount - 1));
        }
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    if (!from.isEmpty()) {
        std::unordered_map<uint64_t, int> rowOf;
        rowOf.reserve(next.size());
        for (size_t i = 0; i < next.size(); ++i) {
            rowOf.emplace(next[i].key, static_cast<int>(i));
        }
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& old : from) {
            const auto found = rowOf.find(m_entries[static_cast<size_t>(old.row())].key);
            to << (found != rowOf.end() ? index(found->second, old.column()) : QModelIndex());
        }
        changePersistentIndexList(from, to);
    }
    m_entries.swap(next);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void IdStatsModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kColumnCount) {
        return;
    }
    m_sortColumn = column;
    m_sortOrder = order;
    std::vector<Entry> next = m_entries;
    SortEntries(next);
    Rearrange(next);
}

void IdStatsModel::SortEntries(std::vector<Entry>& entries) const
{
    const int column = m_sortColumn;
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::sort(entries.begin(), entries.end(), [column, ascending](const Entry& a, const Entry& b) {
        const double x = SortValue(a, column);
        const double y = SortValue(b, column);
        if (x != y) {
            return ascending ? x < y : x > y;
        }
        return ascending ? a.key < b.key : a.key > b.key;
    });
}

void IdStatsModel::Clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

int IdStatsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int IdStatsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant IdStatsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_entries.size())) {
        return {};
    }
    const Entry& entry = m_entries[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return Text(entry, index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QString IdStatsModel::Text(const Entry& entry, int column)
{
    const IdStatsTable::Row& row = entry.row;
    // A period needs two frames: until then the period columns stay empty.
    const bool periods = row.PeriodCount() > 0;
    switch (column) {
    case kIdColumn:
        return QStringLiteral("%1")
            .arg(row.id, row.extended ? 8 : 3, 16, QLatin1Char('0'))
            .toUpper();
    case kCountColumn:
        return QString::number(row.count);
    case kMinPeriodColumn:
        return periods ? Milliseconds(row.minPeriodMs) : QString();
    case kMeanPeriodColumn:
        return periods ? Milliseconds(row.meanPeriodMs) : QString();
    case kMaxPeriodColumn:
        return periods ? Milliseconds(row.maxPeriodMs) : QString();
    case kJitterColumn:
        return periods ? Milliseconds(row.JitterMs()) : QString();
    case kShareColumn:
        return QString::number(entry.sharePercent, 'f', 2);
    default:
        return QString();
    }
}

double IdStatsModel::SortValue(const Entry& entry, int column)
{
    const IdStatsTable::Row& row = entry.row;
    switch (column) {
    case kCountColumn:
        return static_cast<double>(row.count);
    case kMinPeriodColumn:
        return row.minPeriodMs;
    case kMeanPeriodColumn:
        return row.meanPeriodMs;
    case kMaxPeriodColumn:
        return row.maxPeriodMs;
    case kJitterColumn:
        return row.JitterMs();
    case kShareColumn:
        return entry.sharePercent;
    default:
        return static_cast<double>(entry.key);
    }
}

QVariant IdStatsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kHeaders[kColumnCount] = {
        "식별자",        "횟수",     "최소 주기(ms)", "평균 주기(ms)",
        "최대 주기(ms)", "지터(ms)", "부하 비율(%)",
    };
    return section >= 0 && section < kColumnCount ? QString::fromUtf8(kHeaders[section])
                                                  : QVariant();
}
