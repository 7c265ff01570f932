#include "plugin/TVRWizardFactory.h"

#include "plugin/NewFileDialog.h"

namespace ZEL {

TVRWizardFactory::TVRWizardFactory() = default;

TVRWizardFactory::~TVRWizardFactory() = default;

QString TVRWizardFactory::id() const
{
    return QStringLiteral("MC.Wizard.ZEL");
}

QString TVRWizardFactory::displayName() const
{
    return tr("VEP Config File");
}

QString TVRWizardFactory::description() const
{
    return tr("TAVIR Power Analyzer Config File.");
}

void TVRWizardFactory::run(QWidget *parent, const QString &path)
{
    // The new file is not opened here; the host decides what to do with it.
    NewFileDialog dialog(path, parent);
    dialog.exec();
}

} // namespace ZEL
