#pragma once

// The single object through which the IDE opens and closes configuration files:
// it keeps one view per file, reads the project's netlist for a new view and binds
// the IDE's save, undo and redo commands to the active configuration view.

#include "host/dev.h"

#include <QList>
#include <QObject>

namespace Core {
class IView;
}
namespace NlsData {
class Netlist;
}

namespace ZEL {

class ZELView;
class ZELSettingPlugin;

class Q_DECL_EXPORT ZELViewManager : public QObject {
    Q_OBJECT
public:
    static ZELViewManager *instance();

    static void openView(DEV::DeviceArg device, const QString &path);
    static void closeView(const QString &path);
    QList<ZELView *> zelViews();

private slots:
    void onCurrentViewChanged(Core::IView *view);
    void onZELViewClosed(Core::IView *view);
    void onZELViewModified(bool modified);
    void onActSave();

private:
    friend class ZELSettingPlugin;
    friend struct ZELViewManagerStatic;
    ZELViewManager();
    ~ZELViewManager() override;

    void initialize();
    void deinit();
    static ZELView *createView(DEV::DeviceArg device, const QString &path,
                               NlsData::Netlist *netlist);
    void updateSaveAction();
    void updateHistoryActions();
    void onActUndo();
    void onActRedo();
};

} // namespace ZEL
