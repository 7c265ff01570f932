#include "enable/RecordTableWidget.h"

#include "document/ZELView.h"
#include "host/utils.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>
#include <QTableView>

#include <algorithm>

namespace ZEL {

RecordTableWidget::RecordTableWidget(ZELView *view, QWidget *parent) : QWidget(parent), m_view(view)
{
    m_addAction = new QAction(tr("Add    "), this);
    m_removeAction = new QAction(tr("Remove"), this);
}

void RecordTableWidget::setupTable(QTableView *table, QAbstractItemModel *model,
                                   QAbstractItemDelegate *delegate, const QList<int> &columnWidths)
{
    m_table = table;
    m_model = qobject_cast<TableModelBase *>(model);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setHighlightSections(false);
    table->verticalHeader()->setHighlightSections(false);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->hide();
    table->setModel(model);
    if (delegate)
        table->setItemDelegate(delegate);
    for (int column = 0; column < columnWidths.size(); ++column) {
        if (columnWidths.at(column) >= 0)
            table->setColumnWidth(column, columnWidths.at(column));
    }
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSortingEnabled(true);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void RecordTableWidget::popupMenu(QTableView *table, const QPoint &globalPos)
{
    const int selected = selectedRows(table).size();
    QMenu menu(this);
    if (selected > 0) {
        menu.addAction(m_removeAction);
        menu.addSeparator();
    }
    menu.addAction(m_addAction);
    menu.exec(globalPos);
}

QList<int> RecordTableWidget::selectedRows(QTableView *table)
{
    QList<int> rows;
    const QItemSelectionModel *selection = table->selectionModel();
    if (!selection || !selection->model())
        return rows;
    const QAbstractItemModel *model = selection->model();
    const int rowCount = model->rowCount();
    const int columnCount = model->columnCount();
    const QItemSelection ranges = selection->selection();
    // The tables select whole rows, so each range spans every column and a row is
    // selected when a range holds it: marked here in one pass, where the selection
    // model would look through all ranges again for each row of each range.
    const bool wholeRows = std::all_of(ranges.cbegin(), ranges.cend(), [&](const auto &range) {
        return range.left() == 0 && range.right() == columnCount - 1 && !range.parent().isValid();
    });
    if (!wholeRows) {
        const QModelIndexList selected = selection->selectedRows(0);
        rows.reserve(selected.size());
        for (const QModelIndex &index : selected)
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    QVector<bool> marked(rowCount, false);
    for (const QItemSelectionRange &range : ranges) {
        for (int row = qMax(range.top(), 0); row <= qMin(range.bottom(), rowCount - 1); ++row)
            marked[row] = true;
    }
    for (int row = 0; row < rowCount; ++row) {
        if (marked.at(row))
            rows.append(row);
    }
    return rows;
}

bool RecordTableWidget::showRow(int row)
{
    if (!m_table || !m_table->model() || row < 0 || row >= m_table->model()->rowCount())
        return false;
    const QModelIndex index = m_table->model()->index(row, 0);
    m_table->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    m_table->setCurrentIndex(index);
    m_table->scrollTo(index, QAbstractItemView::PositionAtCenter);
    return true;
}

bool RecordTableWidget::confirmRemoval()
{
    // Translated in the context of the concrete table class, like the rest of its texts.
    const char *context = metaObject()->className();
    return QMessageBox::question(this, QCoreApplication::translate(context, "Confirm"),
                                 QCoreApplication::translate(context, "Sure to remove?"),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void RecordTableWidget::markModified()
{
    if (m_view)
        m_view->setModified(true);
}

void RecordTableWidget::clearSelection(QTableView *table)
{
    if (table->selectionModel())
        table->selectionModel()->clearSelection();
}

} // namespace ZEL
