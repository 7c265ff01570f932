#pragma once

// Base of every record table widget (the four enable tables, the rate tables and
// the activity file list): the add and remove actions, the context menu, the
// confirmed removal of selected rows and the picker procedure with its exact,
// case-sensitive duplicate check.

#include "enable/RecordTableModel.h"

#include <QSet>
#include <QWidget>

class QAbstractItemDelegate;
class QAction;
class QTableView;

namespace ZEL {

class ZELView;

class RecordTableWidget : public QWidget {
    Q_OBJECT
public:
    explicit RecordTableWidget(ZELView *view, QWidget *parent = nullptr);

    ZELView *view() const { return m_view; }
    void setView(ZELView *view) { m_view = view; }
    QAction *addAction() const { return m_addAction; }
    QAction *removeAction() const { return m_removeAction; }
    // The table and its model as installed by setupTable(), for tools of the shell
    // that find, select and fix rows by name.
    QTableView *recordTable() const { return m_table; }
    TableModelBase *recordModel() const { return m_model; }
    // Selects the whole row and scrolls to it; false when there is no such row.
    bool showRow(int row);

    // Asks "Sure to remove?"; true when the user answered Yes.
    bool confirmRemoval();

protected:
    // Installs model and delegate and applies what every record table shares: custom
    // context menu, whole-row selection, plain headers, no vertical header, sorting by
    // header click, per-pixel scrolling, a stretching last column and the given widths
    // (a negative width leaves that column alone).
    void setupTable(QTableView *table, QAbstractItemModel *model, QAbstractItemDelegate *delegate,
                    const QList<int> &columnWidths = {});

    // The context menu: "Remove" and a separator when rows are selected, then "Add".
    void popupMenu(QTableView *table, const QPoint &globalPos);

    // Selected rows (column 0), ascending.
    static QList<int> selectedRows(QTableView *table);

    // The common removal: confirm, let beforeEach see each record from the highest
    // row to the lowest, then take the rows out, a contiguous run at a time, and leave
    // the selection empty. The removal is one step of the view's history, which keeps
    // the records for undo. Returns true when rows were removed.
    template <class Record, class BeforeEach>
    bool removeSelected(QTableView *table, RecordTableModel<Record> *model, BeforeEach beforeEach)
    {
        const QList<int> rows = selectedRows(table);
        if (rows.isEmpty() || !confirmRemoval())
            return false;
        const int count = model->rowCount();
        for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
            if (*it >= 0 && *it < count && (it == rows.crbegin() || *it != *(it - 1)))
                beforeEach(model->rows()->at(*it));
        }
        // Cleared first: a selection of many separate ranges would otherwise be
        // walked again for every run that goes.
        clearSelection(table);
        model->recordRemoved(model->takeRows(rows));
        return true;
    }
    template <class Record> bool removeSelected(QTableView *table, RecordTableModel<Record> *model)
    {
        return removeSelected(table, model, [](const Record *) {});
    }

    // The common picker procedure: for each pick, in order, skip it when a row already
    // has its name (exact, case-sensitive), otherwise append makeRecord(pick, name) and
    // mark the view modified. The model is reset even when nothing was added. The name
    // set keeps a run over many picks linear.
    template <class Record, class Pick, class NameOf, class MakeRecord>
    int appendPicks(RecordTableModel<Record> *model, const QList<Pick> &picks, NameOf nameOf,
                    MakeRecord makeRecord)
    {
        QList<Record *> &rows = *model->rows();
        QSet<QString> names;
        names.reserve(rows.size() + picks.size());
        for (const Record *row : rows)
            names.insert(row->name);
        int added = 0;
        const int firstNew = rows.size();
        model->beginReset();
        rows.reserve(rows.size() + picks.size());
        for (const Pick &pick : picks) {
            const QString name = nameOf(pick);
            if (names.contains(name))
                continue;
            names.insert(name);
            rows.append(makeRecord(pick, name));
            markModified();
            ++added;
        }
        model->endReset();
        model->recordAppended(firstNew);
        return added;
    }

    void markModified();

    QAction *m_addAction = nullptr;
    QAction *m_removeAction = nullptr;

private:
    static void clearSelection(QTableView *table);

    ZELView *m_view = nullptr;
    QTableView *m_table = nullptr;
    TableModelBase *m_model = nullptr;
};

} // namespace ZEL
