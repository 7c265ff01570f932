#pragma once

// Model of the flip-flop enable table: one local enable value per flip-flop
// instance.

#include "enable/DffRecord.h"
#include "enable/RecordTableModel.h"

namespace ZEL {

class DffModel : public RecordTableModel<DffRecord> {
    Q_OBJECT
public:
    enum Column { NameColumn, ValueColumn };

    DffModel(QList<DffRecord *> *rows, ZELView *view, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
};

} // namespace ZEL
