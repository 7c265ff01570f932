#pragma once

// Rows added to or removed from a record table as one step of the view's history.
// The step keeps the rows' records and the positions they had: undoing a removal
// puts the same records back at their old positions with all their values, so later
// steps that refer to them find them again. Records that are out of the table belong
// to the step and are deleted with it.

#include "enable/TableModelBase.h"
#include "undo/EditCommand.h"

#include <QList>
#include <QPair>
#include <QSet>
#include <QVector>

namespace ZEL {

template <class Record> class RecordRowsCommand : public EditCommand {
public:
    using Entry = QPair<int, Record *>; // position in the table, record
    enum Change { Added, Removed };

    // `entries` ascending by position. For Removed, the records are already out of
    // the table and the step takes them over.
    RecordRowsCommand(TableModelBase *model, QList<Record *> *rows, QVector<Entry> entries,
                      Change change, const QString &text)
        : EditCommand(text), m_model(model), m_rows(rows), m_entries(std::move(entries)),
          m_change(change), m_holdsRecords(change == Removed)
    {}
    ~RecordRowsCommand() override
    {
        if (m_holdsRecords) {
            for (const Entry &entry : qAsConst(m_entries))
                delete entry.second;
        }
    }

    // Takes `records` out of `rows` in one pass (a large removal must not cost a
    // pass per row) and returns them with the positions they had, ascending.
    static QVector<Entry> takeOut(TableModelBase *model, QList<Record *> *rows,
                                  const QSet<const Record *> &records)
    {
        QVector<Entry> taken;
        taken.reserve(records.size());
        QList<Record *> kept;
        kept.reserve(rows->size());
        model->beginReset();
        for (int i = 0; i < rows->size(); ++i) {
            Record *record = rows->at(i);
            if (records.contains(record))
                taken.append({i, record});
            else
                kept.append(record);
        }
        rows->swap(kept);
        model->endReset();
        return taken;
    }

    // Inserts the records so that each ends at its stored position; positions past
    // the end (the table was shortened meanwhile) become the end.
    static void putBack(TableModelBase *model, QList<Record *> *rows, const QVector<Entry> &entries)
    {
        QList<Record *> merged;
        merged.reserve(rows->size() + entries.size());
        int next = 0;
        model->beginReset();
        for (const Entry &entry : entries) {
            while (merged.size() < entry.first && next < rows->size())
                merged.append(rows->at(next++));
            merged.append(entry.second);
        }
        while (next < rows->size())
            merged.append(rows->at(next++));
        rows->swap(merged);
        model->endReset();
    }

protected:
    void revert() override { m_change == Removed ? restore() : withdraw(); }
    void reapply() override { m_change == Removed ? withdraw() : restore(); }

private:
    void withdraw()
    {
        QSet<const Record *> records;
        records.reserve(m_entries.size());
        for (const Entry &entry : qAsConst(m_entries))
            records.insert(entry.second);
        // The positions are taken afresh: the table may have been sorted meanwhile.
        m_entries = takeOut(m_model, m_rows, records);
        m_holdsRecords = true;
    }
    void restore()
    {
        putBack(m_model, m_rows, m_entries);
        m_holdsRecords = false;
    }

    TableModelBase *m_model;
    QList<Record *> *m_rows;
    QVector<Entry> m_entries;
    Change m_change;
    bool m_holdsRecords;
};

} // namespace ZEL
