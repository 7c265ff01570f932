#pragma once

// Model of the port output table: output enable and load capacitance per port.
// A kind-0 port (an output through a plain buffer) has no output enable: that
// cell is grey and read-only.

#include "enable/PortRecord.h"
#include "enable/RecordTableModel.h"

namespace NlsData {
class Port;
}

namespace ZEL {

class PortModel : public RecordTableModel<PortRecord> {
    Q_OBJECT
public:
    enum Column { NameColumn, OutEnableColumn, CapacityColumn };

    PortModel(QList<PortRecord *> *rows, ZELView *view, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The kind of a picked port from its direction and, for an output, from the
    // primitive that drives its net.
    static int kindOfPort(const NlsData::Port *port);
};

} // namespace ZEL
