#pragma once

// Model of the block-RAM activity table. A row's kind (from the instance's
// primitive code when it is picked) says which port values apply: only those
// cells are editable, and unset values of the port cells are shaded grey.

#include "enable/BSRamRecord.h"
#include "enable/RecordTableModel.h"

namespace ZEL {

class BSRamModel : public RecordTableModel<BSRamRecord> {
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        ClockAColumn,
        ReadAColumn,
        WriteAColumn,
        ClockBColumn,
        ReadBColumn,
        WriteBColumn
    };

    BSRamModel(QList<BSRamRecord *> *rows, ZELView *view, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The kind of a block RAM with this primitive code, or -1 for a code that is
    // not a known block RAM.
    static int kindOfPrimitive(int primitive);
    static bool isEditable(int kind, int column);
    // A row for a picked instance: its kind and the kind's initial values.
    static BSRamRecord *newRecord(const QString &name, int primitive);
};

} // namespace ZEL
