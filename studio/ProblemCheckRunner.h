#pragma once

// Runs the checks of the Problems panel on a worker thread, so that checking a large
// configuration never holds up typing. Requests follow each other quickly (every save,
// edit pause, view switch); only the newest one counts: while one job runs, a newer
// request replaces any waiting one, and the result of a job that has been superseded is
// dropped instead of being shown.

#include "check/Diagnostic.h"

#include <QObject>
#include <QVector>

#include <functional>

template <class T> class QFutureWatcher;

namespace Studio {

class ProblemCheckRunner : public QObject {
    Q_OBJECT
public:
    using Diagnostics = QVector<VepCheck::Diagnostic>;
    // Runs on a worker thread: it must own or share everything it reads.
    using Job = std::function<Diagnostics()>;

    explicit ProblemCheckRunner(QObject *parent = nullptr);
    ~ProblemCheckRunner() override;

    // Starts `job`, or queues it behind the running one in place of any queued job.
    // Returns the request's generation, which finished() reports with its result.
    quint64 request(Job job);
    bool isBusy() const;
    quint64 generation() const { return m_generation; }
    // Processes events until no job runs or waits; for unattended runs and tests.
    void waitUntilIdle();

signals:
    // Only for the newest request; superseded ones never report.
    void finished(quint64 generation, const QVector<VepCheck::Diagnostic> &diagnostics);

private:
    void startJob(Job job);
    void onJobFinished();

    QFutureWatcher<Diagnostics> *m_watcher = nullptr;
    Job m_queued;
    quint64 m_generation = 0;
    // Generation of the job on the worker; 0 when none runs or waits to report.
    quint64 m_running = 0;
};

} // namespace Studio
