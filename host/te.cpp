#include "host/te.h"

namespace TE {

QString FlowManager::resultFile(const QString &key) const
{
    return m_results.value(key);
}

void FlowManager::setResultFile(const QString &key, const QString &path)
{
    if (path.isEmpty())
        m_results.remove(key);
    else
        m_results.insert(key, path);
}

TaskEngine *TaskEngine::instance()
{
    static TaskEngine engine;
    return &engine;
}

FlowManager *TaskEngine::flowManager()
{
    return &m_flow;
}

ProInfoManager *ProInfoManager::instance()
{
    static ProInfoManager manager;
    return &manager;
}

DEV::ChipInfo ProInfoManager::chipInfo() const
{
    return m_chip;
}

void ProInfoManager::setChipInfo(const DEV::ChipInfo &info)
{
    m_chip = info;
}

} // namespace TE
