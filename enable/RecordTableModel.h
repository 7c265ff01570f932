#pragma once

// A table model over a list of row records owned by its table widget. Each table
// states its columns in data(), setData(), flags() and sort(); the rules that all
// tables follow (unset values, numeric edits, stable sorting) live here.

#include "enable/TableModelBase.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <algorithm>
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
        endResetModel();
    }

    int removeRecordsNamed(const QSet<QString> &names) override
    {
        if constexpr (HasName<Record>::value) {
            const auto named = [&names](const Record *r) { return names.contains(r->name); };
            if (std::none_of(m_rows->begin(), m_rows->end(), named))
                return 0;
            beginResetModel();
            const auto kept = std::stable_partition(
                m_rows->begin(), m_rows->end(), [&named](const Record *r) { return !named(r); });
            const int removed = int(m_rows->end() - kept);
            std::for_each(kept, m_rows->end(), [](Record *r) { delete r; });
            m_rows->erase(kept, m_rows->end());
            endResetModel();
            markModified();
            return removed;
        } else {
            Q_UNUSED(names)
            return 0;
        }
    }

protected:
    int recordCount() const override { return m_rows->size(); }
    void *recordAt(int row) const override { return m_rows->at(row); }
    void deleteRecordAt(int row) override { delete m_rows->takeAt(row); }
    QString recordName(int row) const override
    {
        if constexpr (HasName<Record>::value)
            return m_rows->at(row)->name;
        else
            return TableModelBase::recordName(row);
    }
    void setRecordName(int row, const QString &name) override
    {
        if constexpr (HasName<Record>::value)
            m_rows->at(row)->name = name;
        else
            TableModelBase::setRecordName(row, name);
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
    static bool keyLess(const QString &a, const QString &b)
    {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    }
    template <class Number> static bool keyLess(Number a, Number b) { return a < b; }
};

} // namespace ZEL
