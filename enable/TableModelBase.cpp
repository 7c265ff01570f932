#include "enable/TableModelBase.h"

#include "document/ZELView.h"

#include <QUndoCommand>

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

void TableModelBase::rowChanged(int row)
{
    if (row < 0 || row >= recordCount() || m_headers.isEmpty())
        return;
    emit dataChanged(index(row, 0), index(row, m_headers.size() - 1));
}

void TableModelBase::pushEdit(QUndoCommand *command) const
{
    if (m_view)
        m_view->pushEdit(command);
    else
        delete command;
}

QString TableModelBase::addRowsText(int count)
{
    return count == 1 ? tr("Add 1 Row") : tr("Add %1 Rows").arg(count);
}

QString TableModelBase::removeRowsText(int count)
{
    return count == 1 ? tr("Remove 1 Row") : tr("Remove %1 Rows").arg(count);
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
