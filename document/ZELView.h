#pragma once

// The editor of one power-analysis configuration file: three pages on tabs, the
// file path, the modified state shown in the title, the project's synthesized
// netlist (which the pages use to offer names) and the netlist-changed banner.

#include "host/core.h"
#include "host/dev.h"
#include "host/qutil.h"

#include <functional>

class QCloseEvent;
class QTabWidget;
class QUndoCommand;
class QUndoStack;
class QVBoxLayout;

namespace NlsData {
class Netlist;
}

namespace ZEL {

namespace Ui {
class ChangedBanner;
}

class ZELSettingWidget;
class ZELRateWidget;
class ZELEnableSetWidget;
class EditHistory;

class Q_DECL_EXPORT ZELView : public Core::IView, public QUtil::IEventHandler {
    Q_OBJECT
public:
    ZELView(DEV::DeviceArg device, NlsData::Netlist *netlist);
    ~ZELView() override;

    bool readCfgFile(const QString &path);
    void save();

    void setModified(bool modified);
    bool isModified() const;

    QString file() const;
    QString getStrCfgFile() const;

    NlsData::Netlist *getNetlist();
    bool getVoltageInfo();
    void setDevice(DEV::DeviceArg device);

    void handleIEvent(const QUtil::IEvent *event) override;

    // Typed access to the pages, for the shell's screenshots and for tests.
    ZELSettingWidget *generalPage() const;
    ZELRateWidget *ratePage() const;
    ZELEnableSetWidget *enableSetPage() const;
    QTabWidget *tabWidget() const;
    QWidget *changedBanner() const;

    // The edit history: one step per user edit of the pages. Undoing back to the
    // state last read or saved clears the modified state; any other state sets it.
    QUndoStack *undoStack() const;
    // Records an edit that has already been made as the next step. While the view
    // reads its file or refits its pages the step is dropped instead (the history is
    // cleared afterwards), and so is its memory.
    void pushEdit(QUndoCommand *command);
    bool isRecordingEdits() const;
    // Runs changes that are not the user's edits (a refit after a device change) and
    // starts the history anew from the state they leave. A view left modified stays
    // so until it is saved, whatever is undone.
    void resetHistory(const std::function<void()> &changes);

signals:
    void modificationStatusChanged(bool modified);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void onOkBtn();
    void onNetlistChanged();

private:
    bool readFile(const QString &path);
    bool writeToFile();
    void setTitle();
    void showChangedBanner();

    bool m_modified = false;
    QString m_cfgFile;
    ZELSettingWidget *m_generalPage = nullptr;
    ZELRateWidget *m_ratePage = nullptr;
    ZELEnableSetWidget *m_enableSetPage = nullptr;
    QVBoxLayout *m_mainLayout = nullptr;
    QWidget *m_changedBanner = nullptr;
    NlsData::Netlist *m_netlist = nullptr;
    QTabWidget *m_tabWidget = nullptr;
    Ui::ChangedBanner *m_bannerForm = nullptr;
    EditHistory *m_undoStack = nullptr;
    int m_historyPaused = 0;
};

} // namespace ZEL
