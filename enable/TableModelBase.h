#pragma once

// What every record table model shares: fixed header texts, the owning view, and
// indexes that carry the row's record as their internal pointer.

#include <QAbstractTableModel>
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

protected:
    virtual int recordCount() const = 0;
    virtual void *recordAt(int row) const = 0;

    void markModified() const;
    // Tells the views that every cell may have changed, e.g. after a sort.
    void announceAllChanged();

    QStringList m_headers;
    ZELView *m_view = nullptr;
};

} // namespace ZEL
