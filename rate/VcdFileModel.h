#pragma once

// Model of the activity file list: instance, file name and file type of each file,
// read-only; editing goes through the activity file dialog.

#include "enable/RecordTableModel.h"
#include "rate/VcdFileItem.h"

namespace ZEL {

class VcdFileModel : public RecordTableModel<VcdFileItem> {
    Q_OBJECT
public:
    enum Column { InstanceColumn, FileNameColumn, FileTypeColumn };

    VcdFileModel(QList<VcdFileItem *> *items, const QStringList &headers, ZELView *view,
                 QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
};

} // namespace ZEL
