#include "enable/PortModel.h"

#include "enable/SectionIO.h"
#include "host/nlsdata.h"

#include <QBrush>

namespace ZEL {

PortModel::PortModel(QList<PortRecord *> *rows, ZELView *view, QObject *parent)
    : RecordTableModel<PortRecord>(rows, {tr("Name"), tr("Out Enable"), tr("Load Capacity")}, view,
                                   parent)
{}

int PortModel::kindOfPort(const NlsData::Port *port)
{
    if (!port)
        return 3;
    switch (port->direction) {
    case NlsData::DirectionInout:
        return 2;
    case NlsData::DirectionOutput: {
        // Any missing link on the way to the driving primitive counts as an
        // ordinary output.
        const NlsData::Instance *driver =
            port->net && port->net->driver ? port->net->driver->instance : nullptr;
        if (driver &&
            (driver->primitive == 116 || driver->primitive == 122 || driver->primitive == 127))
            return 0;
        return 1;
    }
    default:
        return 3;
    }
}

QVariant PortModel::data(const QModelIndex &index, int role) const
{
    const PortRecord *row = record(index);
    if (!row)
        return {};
    switch (index.column()) {
    case NameColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return row->name;
        return {};
    case OutEnableColumn:
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return shown(row->outEnable);
        case Qt::EditRole:
            return edited(row->outEnable, 50.0);
        case Qt::BackgroundRole:
            return row->kind == 0 ? QVariant(QBrush(Qt::gray)) : QVariant();
        default:
            return {};
        }
    case CapacityColumn:
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            if (!isSet(row->capacity))
                return {};
            return tr("%1pF").arg(SectionIO::formatNumber(double(row->capacity)));
        case Qt::EditRole:
            return edited(row->capacity, 5.0);
        default:
            return {};
        }
    default:
        return {};
    }
}

bool PortModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    PortRecord *row = record(index);
    if (!row || role != Qt::EditRole)
        return false;
    switch (index.column()) {
    case OutEnableColumn:
        return row->kind != 0 &&
               editRecord(index, [&](PortRecord &r) { return setNumber(r.outEnable, value); });
    case CapacityColumn:
        return editRecord(index, [&](PortRecord &r) { return setNumber(r.capacity, value); });
    default:
        return false;
    }
}

Qt::ItemFlags PortModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = RecordTableModel<PortRecord>::flags(index);
    const PortRecord *row = record(index);
    if (!row)
        return base;
    if (index.column() == CapacityColumn || (index.column() == OutEnableColumn && row->kind != 0))
        return base | Qt::ItemIsEditable;
    return base;
}

void PortModel::sort(int column, Qt::SortOrder order)
{
    switch (column) {
    case NameColumn:
        sortRows(order, [](const PortRecord *r) { return r->name; });
        break;
    case OutEnableColumn:
        sortRows(order, [](const PortRecord *r) { return r->outEnable; });
        break;
    case CapacityColumn:
        sortRows(order, [](const PortRecord *r) { return r->capacity; });
        break;
    default:
        break;
    }
}

} // namespace ZEL
