#include "studio/ProblemCheckRunner.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace Studio {

ProblemCheckRunner::ProblemCheckRunner(QObject *parent)
    : QObject(parent), m_watcher(new QFutureWatcher<Diagnostics>(this))
{
    connect(m_watcher, &QFutureWatcher<Diagnostics>::finished, this,
            &ProblemCheckRunner::onJobFinished);
}

ProblemCheckRunner::~ProblemCheckRunner()
{
    // A job may read data this object's owner is about to free.
    m_queued = nullptr;
    m_watcher->waitForFinished();
}

quint64 ProblemCheckRunner::request(Job job)
{
    ++m_generation;
    // Not isRunning(): a job that has ended waits for its finished() to be delivered.
    if (m_running != 0)
        m_queued = std::move(job);
    else
        startJob(std::move(job));
    return m_generation;
}

bool ProblemCheckRunner::isBusy() const
{
    return m_running != 0;
}

void ProblemCheckRunner::waitUntilIdle()
{
    if (!isBusy())
        return;
    QEventLoop loop;
    connect(this, &ProblemCheckRunner::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void ProblemCheckRunner::startJob(Job job)
{
    m_running = m_generation;
    m_watcher->setFuture(QtConcurrent::run(std::move(job)));
}

void ProblemCheckRunner::onJobFinished()
{
    if (m_queued) {
        Job next = std::move(m_queued);
        m_queued = nullptr;
        startJob(std::move(next));
        return;
    }
    const quint64 generation = m_running;
    m_running = 0;
    if (generation == m_generation)
        emit finished(generation, m_watcher->result());
}

} // namespace Studio
