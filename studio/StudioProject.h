#pragma once

// A project of the shell: a folder with a small JSON project file (*.vepproj) that
// names the target device, the synthesized netlist, an optional cell library, the
// synthesis command and the project's files, all relative to the project file.
// It is the IDE's open project: the plug-in's new-file wizard adds files through it.

#include "host/core.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace Studio {

class StudioProject : public Core::IProject {
    Q_OBJECT
public:
    static constexpr const char *FileSuffix = "vepproj";

    explicit StudioProject(QObject *parent = nullptr);

    // `path` is a project file or a folder holding exactly one; null and a reason
    // on failure.
    static StudioProject *open(const QString &path, QString *error, QObject *parent = nullptr);

    QString projectFile() const;
    QString directory() const;
    QString name() const;
    QString device() const;
    // Absolute paths; empty when the project does not name the file.
    QString netlistPath() const;
    QString cellLibraryPath() const;
    QString synthesisCommand() const;
    QStringList files() const;

    bool setDevice(const QString &device, QString *error = nullptr);
    bool addFile(const QString &filePath) override;
    bool save(QString *error = nullptr) const;

signals:
    void filesChanged();

private:
    QString absolute(const QString &relativePath) const;

    QString m_file;
    // Kept whole so that keys this shell does not know survive a save.
    QJsonObject m_json;
};

} // namespace Studio
