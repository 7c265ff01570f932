#pragma once

// Task engine and project information of the IDE: result files of the flow and
// the chip of the current project.

#include "host/dev.h"
#include "host/hostglobal.h"

#include <QHash>
#include <QString>

namespace TE {

class VEPHOST_EXPORT FlowManager {
public:
    QString resultFile(const QString &key) const;
    void setResultFile(const QString &key, const QString &path);

private:
    QHash<QString, QString> m_results;
};

class VEPHOST_EXPORT TaskEngine {
public:
    static TaskEngine *instance();
    FlowManager *flowManager();

private:
    TaskEngine() = default;
    FlowManager m_flow;
};

class VEPHOST_EXPORT ProInfoManager {
public:
    static ProInfoManager *instance();
    DEV::ChipInfo chipInfo() const;
    void setChipInfo(const DEV::ChipInfo &info);

private:
    ProInfoManager() = default;
    DEV::ChipInfo m_chip;
};

} // namespace TE
