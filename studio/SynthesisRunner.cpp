#include "studio/SynthesisRunner.h"

#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QProgressDialog>

namespace Studio {

namespace {
// Only the end of the output is ever shown; a chatty tool must not grow memory.
constexpr int MaxKeptOutput = 256 * 1024;
} // namespace

SynthesisRunner::SynthesisRunner(QObject *parent) : QObject(parent)
{}

SynthesisRunner::Result SynthesisRunner::run(QWidget *parent, const QString &command,
                                             const QString &workingDirectory)
{
    m_errorText.clear();
    m_output.clear();

    if (command.trimmed().isEmpty()) {
        m_errorText = tr("The project names no synthesis command.");
        return Failed;
    }
    // The command is a shell command line, like a build step: the project decides
    // about quoting, redirection and chained steps.
    const QString program = QStringLiteral("/bin/sh");
    const QStringList arguments{QStringLiteral("-c"), command};

    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.setProcessChannelMode(QProcess::MergedChannels);

    QProgressDialog progress(tr("Running \"%1\"...").arg(command), tr("Cancel"), 0, 0, parent);
    progress.setWindowTitle(tr("Run Synthesis"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);

    QEventLoop loop;
    bool canceled = false;
    bool failedToStart = false;
    connect(&process, &QProcess::readyRead, this,
            [this, &process]() { appendOutput(process.readAll()); });
    connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
            &QEventLoop::quit);
    connect(&process, &QProcess::errorOccurred, &loop,
            [&loop, &failedToStart](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart) {
                    failedToStart = true;
                    loop.quit();
                }
            });
    connect(&progress, &QProgressDialog::canceled, &loop, [&process, &canceled]() {
        canceled = true;
        process.kill();
    });

    process.start(program, arguments);
    progress.show();
    // A program that cannot start may already have said so inside start().
    if (!failedToStart && process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.state() != QProcess::NotRunning)
        process.waitForFinished(-1);
    appendOutput(process.readAll());
    progress.hide();

    if (canceled) {
        m_errorText = tr("Synthesis was canceled.");
        return Canceled;
    }
    if (failedToStart || process.error() == QProcess::FailedToStart) {
        m_errorText =
            tr("Cannot start \"%1\" in %2: %3")
                .arg(program, QDir::toNativeSeparators(workingDirectory), process.errorString());
        return Failed;
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        m_errorText = tr("\"%1\" crashed.").arg(command);
        return Failed;
    }
    if (process.exitCode() != 0) {
        m_errorText = tr("\"%1\" ended with exit code %2.").arg(command).arg(process.exitCode());
        return Failed;
    }
    return Succeeded;
}

QString SynthesisRunner::errorText() const
{
    return m_errorText;
}

QString SynthesisRunner::outputTail(int maxLines) const
{
    QStringList lines = QString::fromLocal8Bit(m_output).split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.size() > maxLines)
        lines = lines.mid(lines.size() - maxLines);
    return lines.join(QLatin1Char('\n'));
}

void SynthesisRunner::appendOutput(const QByteArray &data)
{
    m_output += data;
    if (m_output.size() > MaxKeptOutput)
        m_output.remove(0, m_output.size() - MaxKeptOutput);
}

} // namespace Studio
