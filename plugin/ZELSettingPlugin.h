#pragma once

// The plug-in object the IDE's plug-in system asks for: it registers the new-file
// wizard for configuration files and starts and stops the view manager.

#include "host/extsys.h"

namespace ZEL {

class Q_DECL_EXPORT ZELSettingPlugin : public ExtSys::IPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "ZEL.ZELSettingPlugin/1.0")
    Q_INTERFACES(ExtSys::IPlugin)
public:
    ZELSettingPlugin();
    ~ZELSettingPlugin() override;

    bool initialize(const QStringList &arguments, QString *errorString) override;
    void extensionsInitialized() override;
    void aboutToShutdown() override;
};

} // namespace ZEL
