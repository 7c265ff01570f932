#include "pickers/ModuleInstSelectDialog.h"
#include "ui_ModuleInstSelectDialog.h"

#include "host/nlsdata.h"

namespace ZEL {

ModuleInstSelectDialog::ModuleInstSelectDialog(QWidget *parent, NlsData::Netlist *netlist,
                                               bool singleSelection)
    : QDialog(parent), m_form(new Ui::ModuleInstSelectDialog)
{
    m_form->setupUi(this);

    const QList<NlsData::Instance *> &submodules = netlist->allSubmodInstances();
    m_items.reserve(submodules.size() + 1);
    m_items.append(netlist->topModuleName());
    for (const NlsData::Instance *instance : submodules)
        m_items.append(instance->path());
    showItems(m_items);

    if (singleSelection)
        m_form->listWidget->setSelectionMode(QAbstractItemView::SingleSelection);

    connect(m_form->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_form->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_form->lineEditFilter, &QLineEdit::textChanged, this,
            &ModuleInstSelectDialog::onSearch);
    connect(m_form->listWidget, &QAbstractItemView::doubleClicked, this, &QDialog::accept);
}

ModuleInstSelectDialog::~ModuleInstSelectDialog()
{
    delete m_form;
}

QStringList ModuleInstSelectDialog::selectedNames() const
{
    QStringList names;
    const QList<QListWidgetItem *> selected = m_form->listWidget->selectedItems();
    names.reserve(selected.size());
    for (const QListWidgetItem *item : selected)
        names.append(item->text());
    return names;
}

void ModuleInstSelectDialog::onSearch()
{
    const QString filter = m_form->lineEditFilter->text().trimmed();
    if (filter.isEmpty()) {
        showItems(m_items);
        return;
    }
    showItems(m_items.filter(filter, Qt::CaseInsensitive));
}

void ModuleInstSelectDialog::showItems(const QStringList &items)
{
    m_form->listWidget->clear();
    m_form->listWidget->addItems(items);
}

} // namespace ZEL
