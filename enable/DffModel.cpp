#include "enable/DffModel.h"

namespace ZEL {

DffModel::DffModel(QList<DffRecord *> *rows, ZELView *view, QObject *parent)
    : RecordTableModel<DffRecord>(rows, {tr("Name"), tr("Value")}, view, parent)
{}

QVariant DffModel::data(const QModelIndex &index, int role) const
{
    const DffRecord *row = record(index);
    if (!row)
        return {};
    switch (index.column()) {
    case NameColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return row->name;
        return {};
    case ValueColumn:
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return shown(row->value);
        case Qt::EditRole:
            return edited(row->value, 100);
        default:
            return {};
        }
    default:
        return {};
    }
}

bool DffModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    DffRecord *row = record(index);
    if (!row || role != Qt::EditRole || index.column() != ValueColumn)
        return false;
    return editRecord(index, [&](DffRecord &r) { return setNumber(r.value, value); });
}

Qt::ItemFlags DffModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = RecordTableModel<DffRecord>::flags(index);
    if (index.isValid() && index.column() == ValueColumn)
        return base | Qt::ItemIsEditable;
    return base;
}

void DffModel::sort(int column, Qt::SortOrder order)
{
    switch (column) {
    case NameColumn:
        sortRows(order, [](const DffRecord *r) { return r->name; });
        break;
    case ValueColumn:
        sortRows(order, [](const DffRecord *r) { return r->value; });
        break;
    default:
        break;
    }
}

} // namespace ZEL
