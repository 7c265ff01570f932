#include "rate/VcdFileModel.h"

#include <QFileInfo>

namespace ZEL {

VcdFileModel::VcdFileModel(QList<VcdFileItem *> *items, const QStringList &headers, ZELView *view,
                           QObject *parent)
    : RecordTableModel<VcdFileItem>(items, headers, view, parent)
{}

QVariant VcdFileModel::data(const QModelIndex &index, int role) const
{
    const VcdFileItem *item = record(index);
    if (!item)
        return {};
    const QVariant centred = int(Qt::AlignHCenter | Qt::AlignVCenter);
    switch (index.column()) {
    case InstanceColumn:
        return role == Qt::DisplayRole ? QVariant(item->instance) : QVariant();
    case FileNameColumn:
        switch (role) {
        case Qt::DisplayRole:
            return QFileInfo(item->file).fileName();
        case Qt::ToolTipRole:
            return item->file;
        case Qt::TextAlignmentRole:
            return centred;
        default:
            return {};
        }
    case FileTypeColumn:
        switch (role) {
        case Qt::DisplayRole:
            return item->isVcd ? QStringLiteral("Vcd") : QStringLiteral("Saif");
        case Qt::TextAlignmentRole:
            return centred;
        default:
            return {};
        }
    default:
        return {};
    }
}

Qt::ItemFlags VcdFileModel::flags(const QModelIndex &index) const
{
    return RecordTableModel<VcdFileItem>::flags(index);
}

void VcdFileModel::sort(int column, Qt::SortOrder order)
{
    switch (column) {
    case InstanceColumn:
        sortRows(order, [](const VcdFileItem *item) { return item->instance; });
        break;
    case FileNameColumn:
        // By the full path, so equal file names in different folders sort by folder.
        sortRows(order, [](const VcdFileItem *item) { return item->file; });
        break;
    case FileTypeColumn:
        // VCD before SAIF ascending: the reverse of the shown texts' alphabetical order.
        sortRows(order, [](const VcdFileItem *item) { return item->isVcd ? 0 : 1; });
        break;
    default:
        break;
    }
}

} // namespace ZEL
