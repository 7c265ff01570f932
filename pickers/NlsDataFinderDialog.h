#pragma once

// The netlist object finder: a modal dialog that lists top-level ports, block-RAM
// instances or flip-flop instances of the synthesized netlist whose paths match a
// wildcard pattern, and hands the picked names or objects back to the table that
// opened it.

#include <QDialog>
#include <QList>
#include <QStringList>

namespace NlsData {
class Instance;
class Netlist;
class Port;
} // namespace NlsData

namespace ZEL {

namespace Ui {
class NlsDataFinderDialog;
}

class NlsDataFinderDialog : public QDialog {
    Q_OBJECT
public:
    enum Mode { PortFinder = 0, BsramFinder = 3, OutPortFinder = 4, DffFinder = 5 };

    NlsDataFinderDialog(QWidget *parent, NlsData::Netlist *netlist, int mode);
    ~NlsDataFinderDialog() override;

    QStringList selectedNames() const;
    QList<NlsData::Instance *> selectedInstances() const;
    QList<NlsData::Port *> selectedPorts() const;

    int mode() const { return m_mode; }

public slots:
    void onSearch();

private:
    QList<int> selectedRows() const;

    Ui::NlsDataFinderDialog *m_ui = nullptr;
    NlsData::Netlist *m_netlist = nullptr;
    int m_mode = PortFinder;
    // Parallel to the rows of the list after the last search, in the modes that
    // hand back objects.
    QList<NlsData::Instance *> m_instances;
    QList<NlsData::Port *> m_ports;
};

} // namespace ZEL
