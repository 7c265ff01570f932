#include "plugin/ZELSettingPlugin.h"

#include "plugin/TVRWizardFactory.h"
#include "plugin/ZELViewManager.h"

namespace ZEL {

ZELSettingPlugin::ZELSettingPlugin() = default;

ZELSettingPlugin::~ZELSettingPlugin() = default;

bool ZELSettingPlugin::initialize(const QStringList &arguments, QString *errorString)
{
    Q_UNUSED(arguments)
    Q_UNUSED(errorString)
    addAutoReleasedObject(new TVRWizardFactory);
    ZELViewManager::instance()->initialize();
    return true;
}

void ZELSettingPlugin::extensionsInitialized()
{}

void ZELSettingPlugin::aboutToShutdown()
{
    ZELViewManager::instance()->deinit();
}

} // namespace ZEL
