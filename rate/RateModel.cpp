#include "rate/RateModel.h"

namespace ZEL {

RateModel::RateModel(QList<NetRateItem *> *items, ZELView *view, QObject *parent)
    : RecordTableModel<NetRateItem>(items, {tr("Name"), tr("Value")}, view, parent)
{}

QVariant RateModel::data(const QModelIndex &index, int role) const
{
    const NetRateItem *item = record(index);
    if (!item)
        return {};
    switch (index.column()) {
    case NameColumn:
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return item->name;
        default:
            return {};
        }
    case ValueColumn:
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            if (item->value.isEmpty())
                return {};
            return m_toggleUnit ? QStringLiteral("%1%").arg(item->value) : item->value;
        case Qt::EditRole:
            // An empty text reads as 0, which is where the editor of an unset rate opens.
            return item->value;
        default:
            return {};
        }
    default:
        return {};
    }
}

bool RateModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != ValueColumn)
        return false;
    NetRateItem *item = record(index);
    if (!item)
        return false;
    // The delegate sends -1 for an emptied editor.
    const QString text = value.toDouble() < 0 ? QString() : value.toString();
    if (text == item->value)
        return false;
    return editRecord(index, [&](NetRateItem &edited) {
        edited.value = text;
        markModified();
        return true;
    });
}

Qt::ItemFlags RateModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = RecordTableModel<NetRateItem>::flags(index);
    return index.isValid() && index.column() == ValueColumn ? base | Qt::ItemIsEditable : base;
}

void RateModel::sort(int column, Qt::SortOrder order)
{
    // Rates compare as text, the way they are stored: "100.00" sorts before "20.00".
    switch (column) {
    case NameColumn:
        sortRows(order, [](const NetRateItem *item) { return item->name; });
        break;
    case ValueColumn:
        sortRows(order, [](const NetRateItem *item) { return item->value; });
        break;
    default:
        break;
    }
}

} // namespace ZEL
