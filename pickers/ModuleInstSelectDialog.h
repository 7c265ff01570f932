#pragma once

// Picks a module instance of the synthesized design by hierarchical path: the top
// module first, then every sub-module instance; a filter narrows the list as the
// user types. The activity file dialog uses it to name the instance a file records.

#include <QDialog>
#include <QStringList>

namespace NlsData {
class Netlist;
}

namespace ZEL {

namespace Ui {
class ModuleInstSelectDialog;
}

class ModuleInstSelectDialog : public QDialog {
    Q_OBJECT
public:
    ModuleInstSelectDialog(QWidget *parent, NlsData::Netlist *netlist, bool singleSelection);
    ~ModuleInstSelectDialog() override;

    QStringList selectedNames() const;

public slots:
    void onSearch();

private:
    void showItems(const QStringList &items);

    Ui::ModuleInstSelectDialog *m_form = nullptr;
    QStringList m_items;
};

} // namespace ZEL
