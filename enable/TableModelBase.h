#pragma once

// What every record table model shares: fixed header texts, the owning view, and
// indexes that carry the row's record as their internal pointer.

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>
#include <QStringList>

class QUndoCommand;

namespace ZEL {

class ZELView;

class TableModelBase : public QAbstractTableModel {
    Q_OBJECT
public:
    TableModelBase(const QStringList &headers, ZELView *view, QObject *parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void setView(ZELView *view) { m_view = view; }
    ZELView *view() const { return m_view; }

    // Model resets for the table widgets, which change the row list in bulk.
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    void reset();
    // Tells the views that one row was changed in place; a negative row is ignored.
    void rowChanged(int row);
    // Hands a step of the edit history to the view (deletes it when there is none).
    void pushEdit(QUndoCommand *command) const;

    // Step texts, e.g. "Remove 3 Rows".
    static QString addRowsText(int count);
    static QString removeRowsText(int count);

    // Bulk edits by row name, for the fixes that follow a re-synthesis: each changed row
    // is a step of the view's history (a caller that wants one step wraps the calls in
    // a macro of the view's undo stack), and removals take all rows out in one pass.
    // Rows keep their places: a rename is an edit of the name, and only a sort reorders.
    // Renames each row named like a key to the key's value, unless a row already has
    // that name (the tables' exact, case-sensitive duplicate rule): such a row is left
    // as it is and its old name added to `skipped`. Returns the number renamed.
    virtual int renameRecords(const QHash<QString, QString> &renames,
                              QStringList *skipped = nullptr) = 0;
    // Removes every row named by one of `names` as one step; returns the number removed.
    virtual int removeRecordsNamed(const QSet<QString> &names) = 0;
    // The first row with this name; rows without a name field match on any cell's text
    // or tool tip. -1 when there is none.
    int rowOfName(const QString &name) const;

protected:
    virtual int recordCount() const = 0;
    virtual void *recordAt(int row) const = 0;
    // The row's name; tables whose records have none keep the empty default.
    virtual QString recordName(int row) const;

    void markModified() const;
    // Tells the views that every cell may have changed, e.g. after a sort.
    void announceAllChanged();

    QStringList m_headers;
    ZELView *m_view = nullptr;
};

} // namespace ZEL
