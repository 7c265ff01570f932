#pragma once

// Project > Run Synthesis: runs the project's synthesis command in the project
// folder behind a cancelable progress dialog and keeps the end of its output for
// the error report.

#include <QObject>
#include <QString>

class QWidget;

namespace Studio {

class SynthesisRunner : public QObject {
    Q_OBJECT
public:
    enum Result { Succeeded, Failed, Canceled };

    explicit SynthesisRunner(QObject *parent = nullptr);

    // Returns once the command has ended (or could not start). The command runs
    // through /bin/sh in `workingDirectory`.
    Result run(QWidget *parent, const QString &command, const QString &workingDirectory);

    QString errorText() const;
    // The last `maxLines` lines of the merged standard output and error.
    QString outputTail(int maxLines = 40) const;

private:
    void appendOutput(const QByteArray &data);

    QString m_errorText;
    QByteArray m_output;
};

} // namespace Studio
