#include "pickers/NlsDataFinderDialog.h"
#include "ui_NlsDataFinderDialog.h"

#include "host/nlsdata.h"
#include "pickers/WildcardMatcher.h"

#include <QItemSelectionModel>
#include <QListWidget>
#include <QPushButton>

namespace ZEL {

NlsDataFinderDialog::NlsDataFinderDialog(QWidget *parent, NlsData::Netlist *netlist, int mode)
    : QDialog(parent), m_ui(new Ui::NlsDataFinderDialog), m_netlist(netlist), m_mode(mode)
{
    m_ui->setupUi(this);
    switch (m_mode) {
    case PortFinder:
    case OutPortFinder:
        setWindowTitle(tr("Port Finder"));
        break;
    case BsramFinder:
        setWindowTitle(tr("BSRAM Finder"));
        break;
    case DffFinder:
        setWindowTitle(tr("DFF Finder"));
        break;
    default:
        break;
    }
    connect(m_ui->btnSearch, &QPushButton::clicked, this, &NlsDataFinderDialog::onSearch);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

NlsDataFinderDialog::~NlsDataFinderDialog()
{
    delete m_ui;
}

// A design may hold a million cells: the pattern is compiled once, the cheap
// category and direction tests run before it, and the list is filled in one batch
// (its uniform item sizes are set in the form, before any filling).
void NlsDataFinderDialog::onSearch()
{
    m_ui->btnSearch->setEnabled(false);
    QString pattern = m_ui->lineEditFilter->text();
    if (pattern.isEmpty())
        pattern = QStringLiteral("*");
    const WildcardMatcher matcher(pattern);

    QStringList found;
    const auto topPorts = [this]() {
        return m_netlist && m_netlist->topInstance ? m_netlist->topInstance->ports()
                                                   : QList<NlsData::Port *>();
    };
    const auto primitives = [this]() {
        return m_netlist ? m_netlist->allPrimInstances() : QList<NlsData::Instance *>();
    };
    switch (m_mode) {
    case PortFinder:
        for (const NlsData::Port *port : topPorts()) {
            const QString path = port->path();
            if (matcher.matches(path))
                found.append(path);
        }
        break;
    case OutPortFinder:
        m_ports.clear();
        for (NlsData::Port *port : topPorts()) {
            if (port->direction != NlsData::DirectionInout &&
                port->direction != NlsData::DirectionOutput)
                continue;
            const QString path = port->path();
            if (matcher.matches(path)) {
                found.append(path);
                m_ports.append(port);
            }
        }
        break;
    case BsramFinder:
        m_instances.clear();
        for (NlsData::Instance *instance : primitives()) {
            if (instance->category != NlsData::CategoryBlockRam)
                continue;
            const QString path = instance->path();
            if (matcher.matches(path)) {
                found.append(path);
                m_instances.append(instance);
            }
        }
        break;
    case DffFinder:
        for (const NlsData::Instance *instance : primitives()) {
            if (instance->category != NlsData::CategoryFlipFlop)
                continue;
            const QString path = instance->path();
            if (matcher.matches(path))
                found.append(path);
        }
        break;
    default:
        m_ui->btnSearch->setEnabled(true);
        return;
    }
    m_ui->listWidget->clear();
    m_ui->listWidget->addItems(found);
    m_ui->btnSearch->setEnabled(true);
}

QStringList NlsDataFinderDialog::selectedNames() const
{
    QStringList names;
    const QList<QListWidgetItem *> items = m_ui->listWidget->selectedItems();
    names.reserve(items.size());
    for (const QListWidgetItem *item : items)
        names.append(item->text());
    return names;
}

// The rows in the order the selection model reports them, which is the order
// selectedItems() uses for the names.
QList<int> NlsDataFinderDialog::selectedRows() const
{
    QList<int> rows;
    const QItemSelectionModel *selection = m_ui->listWidget->selectionModel();
    if (!selection)
        return rows;
    const QModelIndexList indexes = selection->selectedIndexes();
    rows.reserve(indexes.size());
    for (const QModelIndex &index : indexes)
        rows.append(index.row());
    return rows;
}

QList<NlsData::Instance *> NlsDataFinderDialog::selectedInstances() const
{
    QList<NlsData::Instance *> picked;
    if (m_mode != BsramFinder)
        return picked;
    const QList<int> rows = selectedRows();
    picked.reserve(rows.size());
    for (int row : rows) {
        if (row >= 0 && row < m_instances.size())
            picked.append(m_instances.at(row));
    }
    return picked;
}

QList<NlsData::Port *> NlsDataFinderDialog::selectedPorts() const
{
    QList<NlsData::Port *> picked;
    if (m_mode != OutPortFinder)
        return picked;
    const QList<int> rows = selectedRows();
    picked.reserve(rows.size());
    for (int row : rows) {
        if (row >= 0 && row < m_ports.size())
            picked.append(m_ports.at(row));
    }
    return picked;
}

} // namespace ZEL
