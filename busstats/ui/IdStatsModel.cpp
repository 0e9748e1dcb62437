#include "busstats/ui/IdStatsModel.h"

#include <algorithm>

#include "busstats/BusStats.h"

namespace {

QString Milliseconds(double value)
{
    return QString::number(value, 'f', 3);
}

}  // namespace

void IdStatsModel::Update(const BusStats& stats)
{
    const std::vector<const IdStatsTable::Row*> rows = stats.Identifiers().SortedRows();
    const bool sameRows =
        rows.size() == m_entries.size() &&
        std::equal(rows.begin(), rows.end(), m_entries.begin(),
                   [](const IdStatsTable::Row* row, const Entry& entry) {
                       return row->id == entry.row.id && row->extended == entry.row.extended;
                   });
    if (!sameRows) {
        beginResetModel();
        m_entries.resize(rows.size());
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        m_entries[i].row = *rows[i];
        m_entries[i].sharePercent = stats.LoadSharePercent(*rows[i]);
    }
    if (!sameRows) {
        endResetModel();
    } else if (!m_entries.empty()) {
        emit dataChanged(index(0, kCountColumn),
                         index(static_cast<int>(m_entries.size()) - 1, kColumnCount - 1));
    }
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
    case Qt::UserRole:
        return SortValue(entry, index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant IdStatsModel::Text(const Entry& entry, int column)
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
        return {};
    }
}

QVariant IdStatsModel::SortValue(const Entry& entry, int column)
{
    const IdStatsTable::Row& row = entry.row;
    switch (column) {
    case kIdColumn:
        return (static_cast<qulonglong>(row.id) << 1) | (row.extended ? 1u : 0u);
    case kCountColumn:
        return static_cast<qulonglong>(row.count);
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
        return {};
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
