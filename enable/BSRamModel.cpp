#include "enable/BSRamModel.h"

#include <QBrush>

#include <initializer_list>

namespace ZEL {

namespace {

using Field = float BSRamRecord::*;

Field fieldOf(int column)
{
    switch (column) {
    case BSRamModel::ClockAColumn:
        return &BSRamRecord::clockA;
    case BSRamModel::ReadAColumn:
        return &BSRamRecord::readA;
    case BSRamModel::WriteAColumn:
        return &BSRamRecord::writeA;
    case BSRamModel::ClockBColumn:
        return &BSRamRecord::clockB;
    case BSRamModel::ReadBColumn:
        return &BSRamRecord::readB;
    case BSRamModel::WriteBColumn:
        return &BSRamRecord::writeB;
    default:
        return nullptr;
    }
}

// Which port values a kind has, one bit per kind 0..8.
constexpr unsigned kindBits(std::initializer_list<int> kinds)
{
    unsigned bits = 0;
    for (int kind : kinds)
        bits |= 1u << kind;
    return bits;
}

constexpr unsigned readAKinds = kindBits({0, 1, 3, 5, 7, 8});
constexpr unsigned writeAKinds = kindBits({1, 2, 3, 4, 6, 7});
constexpr unsigned portBKinds = kindBits({2, 3, 4, 6, 7});
constexpr unsigned writeBKinds = kindBits({3, 7});

bool hasKind(unsigned kinds, int kind)
{
    return kind >= 0 && kind < 32 && (kinds & (1u << kind)) != 0;
}

// The values a newly picked row of each kind starts with, in column order
// (clockA, readA, writeA, clockB, readB, writeB); -1 leaves a value unset.
constexpr float kindInitialValues[9][6] = {
    {100, 100, -1, -1, -1, -1},   // 0: A read
    {100, 100, 50, -1, -1, -1},   // 1: A read and write
    {100, -1, 100, 100, 100, -1}, // 2: A write, B read
    {100, 100, 50, 100, 100, 50}, // 3: A and B read and write
    {100, -1, 100, 100, 100, -1}, // 4: A write, B read
    {100, 100, -1, -1, -1, -1},   // 5: A read
    {100, -1, 100, 100, 100, -1}, // 6: A write, B read
    {100, 100, 50, 100, 100, 50}, // 7: A and B read and write
    {100, 100, -1, -1, -1, -1},   // 8: A read
};

} // namespace

BSRamModel::BSRamModel(QList<BSRamRecord *> *rows, ZELView *view, QObject *parent)
    : RecordTableModel<BSRamRecord>(rows,
                                    {tr("Name"), tr("ClockA Enable"), tr("ReadA Probability"),
                                     tr("WriteA Probability"), tr("ClockB Enable"),
                                     tr("ReadB Probability"), tr("WriteB Probability")},
                                    view, parent)
{}

int BSRamModel::kindOfPrimitive(int primitive)
{
    switch (primitive) {
    case 84:
    case 85:
        return 3;
    case 86:
    case 87:
    case 242:
        return 2;
    case 88:
    case 89:
        return 1;
    case 90:
    case 91:
        return 0;
    case 192:
    case 193:
        return 4;
    case 194:
    case 195:
        return 5;
    case 199:
    case 200:
        return 6;
    case 201:
    case 202:
        return 7;
    case 204:
    case 205:
        return 8;
    default:
        return -1;
    }
}

bool BSRamModel::isEditable(int kind, int column)
{
    switch (column) {
    case ClockAColumn:
        return true;
    case ReadAColumn:
        return hasKind(readAKinds, kind);
    case WriteAColumn:
        return hasKind(writeAKinds, kind);
    case ClockBColumn:
    case ReadBColumn:
        return hasKind(portBKinds, kind);
    case WriteBColumn:
        return hasKind(writeBKinds, kind);
    default:
        return false;
    }
}

BSRamRecord *BSRamModel::newRecord(const QString &name, int primitive)
{
    auto *record = new BSRamRecord;
    record->name = name;
    const int kind = kindOfPrimitive(primitive);
    if (kind < 0) {
        // A block RAM the code table does not know gets no initial values; it is
        // recorded as kind 0 (port A read), the kind a file row without `type`
        // reads as, so that saving and reopening gives the same row back.
        record->kind = 0;
        return record;
    }
    record->kind = kind;
    for (int column = ClockAColumn; column <= WriteBColumn; ++column)
        record->*fieldOf(column) = kindInitialValues[kind][column - ClockAColumn];
    return record;
}

QVariant BSRamModel::data(const QModelIndex &index, int role) const
{
    const BSRamRecord *row = record(index);
    if (!row)
        return {};
    if (index.column() == NameColumn) {
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return row->name;
        return {};
    }
    const Field field = fieldOf(index.column());
    if (!field)
        return {};
    const float value = row->*field;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        return shown(value);
    case Qt::BackgroundRole:
        if (index.column() != ClockAColumn && !isSet(value))
            return QBrush(Qt::gray);
        return {};
    default:
        return {};
    }
}

bool BSRamModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    BSRamRecord *row = record(index);
    if (!row || role != Qt::EditRole || !isEditable(row->kind, index.column()))
        return false;
    const Field field = fieldOf(index.column());
    return editRecord(index, [&](BSRamRecord &r) { return setNumber(r.*field, value); });
}

Qt::ItemFlags BSRamModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = RecordTableModel<BSRamRecord>::flags(index);
    const BSRamRecord *row = record(index);
    if (row && isEditable(row->kind, index.column()))
        return base | Qt::ItemIsEditable;
    return base;
}

void BSRamModel::sort(int column, Qt::SortOrder order)
{
    if (column == NameColumn) {
        sortRows(order, [](const BSRamRecord *r) { return r->name; });
        return;
    }
    if (const Field field = fieldOf(column))
        sortRows(order, [field](const BSRamRecord *r) { return r->*field; });
}

} // namespace ZEL
