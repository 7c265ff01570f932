#pragma once

// Model of the clock enable table. Unlike the other tables every cell is edited in
// place, the clock name included, and typed names must look like identifiers.

#include "enable/ClkEnableRecord.h"
#include "enable/RecordTableModel.h"

namespace ZEL {

class ClkEnableModel : public RecordTableModel<ClkEnableRecord> {
    Q_OBJECT
public:
    enum Column { NameColumn, EnableColumn, Quad1Column, Quad2Column, Quad3Column, Quad4Column };

    ClkEnableModel(QList<ClkEnableRecord *> *rows, ZELView *view, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    static bool isValidClockName(const QString &name);

protected:
    // Rows without content are not written, so removing them changes nothing.
    bool countsAsEdit(const ClkEnableRecord &record) const override;
};

} // namespace ZEL
