#include "enable/ClkEnableModel.h"

#include <QRegularExpression>

namespace ZEL {

namespace {

using Field = float ClkEnableRecord::*;

Field fieldOf(int column)
{
    switch (column) {
    case ClkEnableModel::EnableColumn:
        return &ClkEnableRecord::enable;
    case ClkEnableModel::Quad1Column:
        return &ClkEnableRecord::quad1;
    case ClkEnableModel::Quad2Column:
        return &ClkEnableRecord::quad2;
    case ClkEnableModel::Quad3Column:
        return &ClkEnableRecord::quad3;
    case ClkEnableModel::Quad4Column:
        return &ClkEnableRecord::quad4;
    default:
        return nullptr;
    }
}

} // namespace

ClkEnableModel::ClkEnableModel(QList<ClkEnableRecord *> *rows, ZELView *view, QObject *parent)
    : RecordTableModel<ClkEnableRecord>(rows,
                                        {tr("Clock Name"), tr("Clock Enable"), tr("Quad1"),
                                         tr("Quad2"), tr("Quad3"), tr("Quad4")},
                                        view, parent)
{}

bool ClkEnableModel::isValidClockName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("\\A(?:_*[a-zA-Z]+[A-Za-z0-9_]*)\\z"));
    return pattern.match(name).hasMatch();
}

QVariant ClkEnableModel::data(const QModelIndex &index, int role) const
{
    ClkEnableRecord *row = record(index);
    if (!row)
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    if (index.column() == NameColumn)
        return row->name;
    const Field field = fieldOf(index.column());
    if (!field)
        return {};
    return role == Qt::EditRole ? edited(row->*field, 100) : shown(row->*field);
}

bool ClkEnableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    ClkEnableRecord *row = record(index);
    if (!row || role != Qt::EditRole)
        return false;
    if (index.column() == NameColumn) {
        const QString name = value.toString();
        if (!isValidClockName(name) || name == row->name)
            return false;
        return editRecord(index, [&](ClkEnableRecord &r) {
            r.name = name;
            markModified();
            return true;
        });
    }
    const Field field = fieldOf(index.column());
    return field &&
           editRecord(index, [&](ClkEnableRecord &r) { return setNumber(r.*field, value); });
}

Qt::ItemFlags ClkEnableModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = RecordTableModel<ClkEnableRecord>::flags(index);
    return index.isValid() ? base | Qt::ItemIsEditable : base;
}

bool ClkEnableModel::countsAsEdit(const ClkEnableRecord &record) const
{
    return record.hasContent();
}

void ClkEnableModel::sort(int column, Qt::SortOrder order)
{
    if (column == NameColumn) {
        sortRows(order, [](const ClkEnableRecord *r) { return r->name; });
        return;
    }
    if (const Field field = fieldOf(column))
        sortRows(order, [field](const ClkEnableRecord *r) { return r->*field; });
}

} // namespace ZEL
