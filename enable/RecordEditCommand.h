#pragma once

// A change of one row of a record table as a step of the view's history: a cell
// edited by the user, an activity file edited in its dialog, or a change made by
// code. The row is kept by its record, which stays the same object while the table
// is sorted and while the row is removed and put back by other steps. The row it had
// is kept as a hint, so that undoing thousands of such steps in one macro (a fix
// applied to every stale row) finds each row at once instead of searching the table.

#include "enable/TableModelBase.h"
#include "undo/EditCommand.h"

#include <QList>

namespace ZEL {

template <class Record> class RecordEditCommand : public EditCommand {
public:
    RecordEditCommand(TableModelBase *model, const QList<Record *> *rows, Record *record,
                      Record before, const QString &text, int row)
        : EditCommand(text), m_model(model), m_rows(rows), m_record(record),
          m_before(std::move(before)), m_after(*record), m_row(row)
    {}

protected:
    void revert() override { assign(m_before); }
    void reapply() override { assign(m_after); }

private:
    void assign(const Record &state)
    {
        *m_record = state;
        if (m_row < 0 || m_row >= m_rows->size() || m_rows->at(m_row) != m_record)
            m_row = m_rows->indexOf(m_record);
        m_model->rowChanged(m_row);
    }

    TableModelBase *m_model;
    const QList<Record *> *m_rows;
    Record *m_record;
    Record m_before;
    Record m_after;
    int m_row;
};

} // namespace ZEL
