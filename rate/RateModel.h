#pragma once

// Model of a rate table: names and rates, the rates kept as text in the table's unit
// (toggle rate in percent or signal rate in transitions per second).

#include "enable/RecordTableModel.h"
#include "rate/NetRateItem.h"

namespace ZEL {

class RateModel : public RecordTableModel<NetRateItem> {
    Q_OBJECT
public:
    enum Column { NameColumn, ValueColumn };

    RateModel(QList<NetRateItem *> *items, ZELView *view, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    bool toggleUnit() const { return m_toggleUnit; }
    void setToggleUnit(bool toggle) { m_toggleUnit = toggle; }

private:
    bool m_toggleUnit = true;
};

} // namespace ZEL
