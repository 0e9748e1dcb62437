#pragma once

#include <vector>

#include <QAbstractTableModel>

#include "busstats/IdStats.h"

class BusStats;

// The by-identifier statistics as a table: identifier, count, shortest, mean
// and longest period, jitter, share of the bus load. It holds a copy of the
// rows taken by Update, so the view never reads the live table while frames
// come in. Qt::DisplayRole gives the text, Qt::UserRole the number to sort by
// (an 11-bit identifier before a 29-bit one of the same value).
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

    // Copies the rows of stats. When the same identifiers are there as before,
    // only the values change (selection and sorting stay); otherwise the
    // model is reset.
    void Update(const BusStats& stats);
    void Clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Entry {
        IdStatsTable::Row row;
        double sharePercent = 0;
    };

    static QVariant Text(const Entry& entry, int column);
    static QVariant SortValue(const Entry& entry, int column);

    std::vector<Entry> m_entries;
};
