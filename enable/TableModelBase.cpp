#include "enable/TableModelBase.h"

#include "document/ZELView.h"

namespace ZEL {

TableModelBase::TableModelBase(const QStringList &headers, ZELView *view, QObject *parent)
    : QAbstractTableModel(parent), m_headers(headers), m_view(view)
{}

QModelIndex TableModelBase::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    return createIndex(row, column, recordAt(row));
}

int TableModelBase::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : recordCount();
}

int TableModelBase::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_headers.size();
}

QVariant TableModelBase::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical)
        return section;
    return m_headers.value(section);
}

void TableModelBase::reset()
{
    beginResetModel();
    endResetModel();
}

void TableModelBase::removeRecordAt(int row)
{
    if (row < 0 || row >= recordCount())
        return;
    beginRemoveRows({}, row, row);
    deleteRecordAt(row);
    endRemoveRows();
}

int TableModelBase::renameRecords(const QHash<QString, QString> &renames, QStringList *skipped)
{
    const int count = recordCount();
    QHash<QString, int> names;
    names.reserve(count);
    for (int row = 0; row < count; ++row)
        ++names[recordName(row)];
    int renamed = 0;
    beginResetModel();
    for (int row = 0; row < count; ++row) {
        const QString name = recordName(row);
        const auto target = renames.constFind(name);
        if (target == renames.constEnd() || target.value() == name || name.isEmpty())
            continue;
        if (names.value(target.value()) > 0) {
            if (skipped)
                skipped->append(name);
            continue;
        }
        setRecordName(row, target.value());
        if (--names[name] == 0)
            names.remove(name);
        ++names[target.value()];
        ++renamed;
    }
    endResetModel();
    if (renamed > 0)
        markModified();
    return renamed;
}

int TableModelBase::rowOfName(const QString &name) const
{
    const int count = recordCount();
    for (int row = 0; row < count; ++row) {
        if (recordName(row) == name)
            return row;
    }
    for (int row = 0; row < count; ++row) {
        for (int column = 0; column < m_headers.size(); ++column) {
            // A cell may show a short form (a file's name) and hold the whole in its tip.
            const QModelIndex cell = index(row, column);
            if (cell.data(Qt::DisplayRole).toString() == name ||
                cell.data(Qt::ToolTipRole).toString() == name)
                return row;
        }
    }
    return -1;
}

QString TableModelBase::recordName(int) const
{
    return {};
}

void TableModelBase::setRecordName(int, const QString &)
{}

void TableModelBase::markModified() const
{
    if (m_view)
        m_view->setModified(true);
}

void TableModelBase::announceAllChanged()
{
    if (recordCount() == 0 || m_headers.isEmpty())
        return;
    emit dataChanged(index(0, 0), index(recordCount() - 1, m_headers.size() - 1));
}

} // namespace ZEL
