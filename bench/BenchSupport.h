#pragma once

// What every benchmark measures with: wall and CPU timers, best-of-N runs, the peak
// memory of the process, measurements in a child process, answering modal dialogs,
// and the common start of the benchmarks that open a view.

#include "host/dev.h"
#include "host/te.h"

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace BenchSupport {

// CPU time of this thread: on a machine shared with builds, wall time says more about
// the neighbours than about the code.
inline double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// CPU seconds (user + system) of the whole process, helper threads included.
inline double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A size from /proc/self/status in KiB ("VmHWM:" the peak resident size, "VmRSS:" the
// resident size now), -1 where the kernel does not say.
inline long long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

inline long long peakResidentKiB()
{
    return statusKiB("VmHWM:");
}

// The files a benchmark generates and reads back.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Wall and thread CPU time since construction or the last restart().
class Stopwatch {
public:
    Stopwatch() { restart(); }

    void restart()
    {
        m_cpuStart = threadCpuMs();
        m_wall.start();
    }
    qint64 ms() const { return m_wall.elapsed(); }
    double wallMs() const { return m_wall.nsecsElapsed() / 1e6; }
    double cpuMs() const { return threadCpuMs() - m_cpuStart; }

private:
    QElapsedTimer m_wall;
    double m_cpuStart = 0;
};

// The best wall and CPU times seen, each on its own.
struct Time {
    double wall = 1e12;
    double cpu = 1e12;
    void keepBest(const Time &other)
    {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

template <class Run> Time bestOf(int runs, Run &&run)
{
    Time best;
    for (int i = 0; i < runs; ++i) {
        const Stopwatch stopwatch;
        run();
        const double wall = stopwatch.wallMs();
        best.keepBest({wall, stopwatch.cpuMs()});
    }
    return best;
}

// For measurements repeated in rounds: the first round sets the figure, later
// ones may only lower it.
inline void keepBetter(qint64 &slot, qint64 elapsed, int round)
{
    slot = round == 0 ? elapsed : std::min(slot, elapsed);
}

// Runs `measure` in a child, so that its peak resident size is its own, and lets
// what it prints through; returns false when the child failed.
template <class Measure> bool inChild(Measure measure)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const bool ok = measure();
        std::fflush(stdout);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Calls answer(dialog) with the modal dialog the caller is about to open, once it is
// up: the check runs again on each event-loop pass until it is, or tries run out.
template <class Answer> void answerModal(Answer answer, int triesLeft = 100)
{
    QTimer::singleShot(0, [answer, triesLeft]() {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog)
            answer(dialog);
        else if (triesLeft > 0)
            answerModal(answer, triesLeft - 1);
    });
}

// The device whose chip the configuration pages show, as the IDE selects it.
inline void selectDevice(const QString &device)
{
    TE::ProInfoManager::instance()->setChipInfo(DEV::DeviceDatabase::instance()->chipInfo(device));
}

// A benchmark's application: offscreen unless the caller asks for a platform, so that
// no display is needed, and with the chip of `device` selected when one is given.
class BenchApplication : public QApplication {
public:
    BenchApplication(int &argc, char **argv, const QString &device = QString())
        : QApplication(offscreenFirst(argc), argv)
    {
        if (!device.isEmpty())
            selectDevice(device);
    }

private:
    // The platform is chosen when QApplication is constructed.
    static int &offscreenFirst(int &argc)
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return argc;
    }
};

} // namespace BenchSupport
