#pragma once

// A table model over a list of row records owned by its table widget. Each table
// states its columns in data(), setData(), flags() and sort(); the rules that all
// tables follow (unset values, numeric edits, stable sorting, edits as steps of the
// view's history) live here.

#include "enable/RecordEditCommand.h"
#include "enable/RecordRowsCommand.h"
#include "enable/TableModelBase.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <type_traits>
#include <utility>

namespace ZEL {

// A value below zero means "unset": shown empty and not written to the file.
inline bool isSet(float value)
{
    return value >= 0;
}

// Whether a row record has a `name` field (every table's but the activity file list's).
template <class Record, class = void> struct HasName : std::false_type {};
template <class Record>
struct HasName<Record, std::void_t<decltype(std::declval<Record &>().name)>> : std::true_type {};

template <class Record> class RecordTableModel : public TableModelBase {
public:
    RecordTableModel(QList<Record *> *rows, const QStringList &headers, ZELView *view,
                     QObject *parent = nullptr)
        : TableModelBase(headers, view, parent), m_rows(rows)
    {}

    using RowsCommand = RecordRowsCommand<Record>;
    using RowEntry = typename RowsCommand::Entry;

    Record *record(const QModelIndex &index) const
    {
        return index.isValid() ? static_cast<Record *>(index.internalPointer()) : nullptr;
    }
    QList<Record *> *rows() const { return m_rows; }

    // Deletes every record, for the owning widget's destructor: the table view goes
    // later, with the child widgets, and must not be left looking at deleted records.
    void deleteAllRecords()
    {
        beginResetModel();
        qDeleteAll(*m_rows);
        m_rows->clear();
        qDeleteAll(m_setAside);
        m_setAside.clear();
        endResetModel();
    }

    // Changes made by code rather than by the table's own controls (such as fixes
    // offered elsewhere in the IDE): each is one step of the view's history, named
    // `text`, undone and redone like a user's edit, and marks the view modified.
    bool changeRecord(Record *record, const std::function<void(Record &)> &change,
                      const QString &text)
    {
        const int row = m_rows->indexOf(record);
        if (row < 0)
            return false;
        const Record before = *record;
        change(*record);
        rowChanged(row);
        markModified();
        recordChanged(record, before, text, row);
        return true;
    }
    // Removes the records of this table among `records` in one pass and returns how
    // many; an empty text names the step "Remove N Rows".
    int removeRecords(const QList<Record *> &records, const QString &text = QString())
    {
        const QSet<const Record *> wanted(records.cbegin(), records.cend());
        QVector<RowEntry> taken = RowsCommand::takeOut(this, m_rows, wanted);
        const int count = taken.size();
        if (recordRemoved(std::move(taken), text))
            markModified();
        return count;
    }

    // The user's edits, recorded once they are made.
    void recordChanged(Record *record, const Record &before, const QString &text, int row = -1)
    {
        pushEdit(new RecordEditCommand<Record>(this, m_rows, record, before, text, row));
    }
    // Rows appended from `firstRow` to the end.
    void recordAppended(int firstRow)
    {
        QVector<RowEntry> entries;
        for (int row = qMax(firstRow, 0); row < m_rows->size(); ++row)
            entries.append({row, m_rows->at(row)});
        if (!entries.isEmpty())
            pushEdit(new RowsCommand(this, m_rows, entries, RowsCommand::Added,
                                     addRowsText(entries.size())));
    }
    // Records already taken out of the table, ascending by the positions they had;
    // false when their removal changed nothing of the document and is no step.
    bool recordRemoved(QVector<RowEntry> entries, const QString &text = QString())
    {
        if (entries.isEmpty())
            return false;
        const bool edit = std::any_of(entries.cbegin(), entries.cend(), [this](const RowEntry &e) {
            return countsAsEdit(*e.second);
        });
        if (!edit) {
            // Nothing of the file changed, so this is no step; a step may still refer
            // to these records, which therefore live on until the table goes.
            for (const RowEntry &entry : qAsConst(entries))
                m_setAside.append(entry.second);
            return false;
        }
        const int count = entries.size();
        pushEdit(new RowsCommand(this, m_rows, std::move(entries), RowsCommand::Removed,
                                 text.isEmpty() ? removeRowsText(count) : text));
        return true;
    }

    // Takes the rows at `rows` (ascending) out of the table and returns them with their
    // positions, ascending; rows out of range and repeats are skipped. Each contiguous
    // run is announced once, from the highest run to the lowest. The records are the
    // caller's.
    //
    // Between the announcements the list keeps a gap where the runs taken so far
    // were: it moves down run by run, so each record is moved once and the list is
    // closed up once at the end, however many runs there are.
    QVector<RowEntry> takeRows(const QList<int> &rows)
    {
        QList<Record *> &list = *m_rows;
        const int size = list.size();
        QVector<RowEntry> taken;
        taken.reserve(rows.size());
        m_gapAt = size;
        m_gapSize = 0;
        for (int k = rows.size() - 1; k >= 0;) {
            const int last = rows.at(k);
            if (last < 0)
                break;
            if (last >= m_gapAt) { // out of range or a repeat
                --k;
                continue;
            }
            int first = last;
            for (--k; k >= 0 && rows.at(k) >= first - 1; --k)
                first = qMax(0, qMin(first, rows.at(k)));
            for (int i = m_gapAt - 1; i > last; --i)
                list[i + m_gapSize] = list.at(i);
            m_gapAt = last + 1;
            beginRemoveRows({}, first, last);
            for (int row = last; row >= first; --row)
                taken.append({row, list.at(row)});
            m_gapAt = first;
            m_gapSize += last - first + 1;
            endRemoveRows();
        }
        list.erase(list.begin() + m_gapAt, list.begin() + m_gapAt + m_gapSize);
        m_gapAt = 0;
        m_gapSize = 0;
        std::reverse(taken.begin(), taken.end());
        return taken;
    }

    int renameRecords(const QHash<QString, QString> &renames, QStringList *skipped) override
    {
        if constexpr (HasName<Record>::value) {
            QHash<QString, int> names;
            names.reserve(m_rows->size());
            for (const Record *r : qAsConst(*m_rows))
                ++names[r->name];
            int renamed = 0;
            const QString text = headerData(0, Qt::Horizontal).toString();
            for (int row = 0; row < m_rows->size(); ++row) {
                Record *r = m_rows->at(row);
                const auto target = renames.constFind(r->name);
                if (target == renames.constEnd() || r->name.isEmpty() || target.value() == r->name)
                    continue;
                if (names.value(target.value()) > 0) {
                    if (skipped)
                        skipped->append(r->name);
                    continue;
                }
                if (--names[r->name] == 0)
                    names.remove(r->name);
                ++names[target.value()];
                // As changeRecord() does, without its search for the row: one step per
                // row, and the views told once for the whole table.
                const Record before = *r;
                r->name = target.value();
                recordChanged(r, before, text, row);
                ++renamed;
            }
            if (renamed > 0) {
                announceAllChanged();
                markModified();
            }
            return renamed;
        } else {
            Q_UNUSED(renames)
            Q_UNUSED(skipped)
            return 0;
        }
    }
    int removeRecordsNamed(const QSet<QString> &names) override
    {
        if constexpr (HasName<Record>::value) {
            QList<Record *> named;
            for (Record *r : qAsConst(*m_rows)) {
                if (names.contains(r->name))
                    named.append(r);
            }
            return removeRecords(named);
        } else {
            Q_UNUSED(names)
            return 0;
        }
    }

protected:
    int recordCount() const override { return m_rows->size() - m_gapSize; }
    void *recordAt(int row) const override
    {
        return m_rows->at(row < m_gapAt ? row : row + m_gapSize);
    }
    QString recordName(int row) const override
    {
        if constexpr (HasName<Record>::value)
            return static_cast<const Record *>(recordAt(row))->name;
        else
            return TableModelBase::recordName(row);
    }

    // Whether removing the row changes the document; removing only rows that do not
    // is no edit and no step.
    virtual bool countsAsEdit(const Record &) const { return true; }

    // A user's edit of a cell: `change` edits the record and tells whether it changed
    // it; a change is one step named after the column.
    template <class Change> bool editRecord(const QModelIndex &index, Change change)
    {
        Record *row = record(index);
        if (!row)
            return false;
        const Record before = *row;
        if (!change(*row))
            return false;
        recordChanged(row, before, m_headers.value(index.column()), index.row());
        return true;
    }

    // Display/tool-tip value of a numeric cell: the value when set, nothing otherwise.
    static QVariant shown(float value) { return isSet(value) ? QVariant(value) : QVariant(); }
    // Edit value of a numeric cell: the value when set, else the table's editing default.
    static QVariant edited(float value, const QVariant &unsetDefault)
    {
        return isSet(value) ? QVariant(value) : unsetDefault;
    }

    // The common numeric edit: store the value as a float unless it is unchanged.
    bool setNumber(float &field, const QVariant &value)
    {
        const float number = value.toFloat();
        if (number == field)
            return false;
        field = number;
        markModified();
        return true;
    }

    // Stable in-place sort on a key: ascending with less-than, descending with
    // greater-than. Text keys compare case-insensitively, numeric keys as floats, so
    // unset values (-1) come first ascending and last descending.
    template <class KeyOf> void sortRows(Qt::SortOrder order, KeyOf keyOf)
    {
        const bool ascending = order == Qt::AscendingOrder;
        std::stable_sort(m_rows->begin(), m_rows->end(), [&](const Record *a, const Record *b) {
            return ascending ? keyLess(keyOf(a), keyOf(b)) : keyLess(keyOf(b), keyOf(a));
        });
        announceAllChanged();
    }

    QList<Record *> *m_rows;

private:
    QList<Record *> m_setAside;
    // The gap left by takeRows() while it announces its runs: m_gapSize slots of the
    // list from row m_gapAt on hold no row.
    int m_gapAt = 0;
    int m_gapSize = 0;

    static bool keyLess(const QString &a, const QString &b)
    {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    }
    template <class Number> static bool keyLess(Number a, Number b) { return a < b; }
};

} // namespace ZEL
