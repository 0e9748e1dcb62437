#pragma once

#include <vector>

#include <QAbstractTableModel>

#include "busstats/IdStats.h"

class BusStats;

// The by-identifier statistics as a table: identifier, count, shortest, mean
// and longest period, jitter, share of the bus load. It holds a copy of the
// rows taken by Update, so the view never reads the live table while frames
// come in, and keeps them in the order sort asked for (numbers, not texts;
// ties by identifier, an 11-bit one before a 29-bit one of the same value):
// a refresh costs one sort of at most IdStatsTable::kMaxRows rows, and
// selected rows follow their identifiers.
class IdStatsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        kIdColumn,
        kCountColumn,
        kMinPeriodColumn,
        kMeanPeriodColumn,
        kMaxPeriodColumn,
        kJitterColumn,
        kShareColumn,
        kColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    // Copies the rows of stats in the current order.
    void Update(const BusStats& stats);
    void Clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct Entry {
        IdStatsTable::Row row;
        double sharePercent = 0;
        // The identifier and its width in one number: id * 2 + 1 for 29-bit.
        uint64_t key = 0;
    };

    static QString Text(const Entry& entry, int column);
    static double SortValue(const Entry& entry, int column);
    void SortEntries(std::vector<Entry>& entries) const;
    // Puts next in place of the rows shown, moving persistent indexes (the
    // selection, the current row) with their identifiers.
    void Rearrange(std::vector<Entry>& next);

    std::vector<Entry> m_entries;
    int m_sortColumn = kIdColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
