#include "plugin/ZELViewManager.h"

namespace ZEL {

ZELViewManager *ZELViewManager::instance() { return nullptr; }
void ZELViewManager::openView(DEV::DeviceArg, const QString &) {}
void ZELViewManager::closeView(const QString &) {}
QList<ZELView *> ZELViewManager::zelViews() { return {}; }
void ZELViewManager::onCurrentViewChanged(Core::IView *) {}
void ZELViewManager::onZELViewClosed(Core::IView *) {}
void ZELViewManager::onZELViewModified(bool) {}
void ZELViewManager::onActSave() {}
ZELViewManager::ZELViewManager() = default;
ZELViewManager::~ZELViewManager() = default;
void ZELViewManager::initialize() {}
void ZELViewManager::deinit() {}
ZELView *ZELViewManager::createView(DEV::DeviceArg, const QString &, NlsData::Netlist *) { return nullptr; }
void ZELViewManager::updateSaveAction() {}

} // namespace ZEL
