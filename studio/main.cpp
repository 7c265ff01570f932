#include "studio/ModalRefuser.h"
#include "studio/ProblemsPanel.h"
#include "studio/StudioProject.h"
#include "studio/StudioWindow.h"

#include "host/core.h"
#include "host/extsys.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QTextStream>

namespace {

struct Arguments {
    QString project;
    QStringList files;
    QString screenshot;
    int page = -1;
};

bool isProject(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() || info.suffix().compare(QLatin1String(Studio::StudioProject::FileSuffix),
                                                 Qt::CaseInsensitive) == 0;
}

bool parseArguments(const QApplication &app, Arguments *arguments, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reference IDE shell for the power-analysis configuration editor plug-in."));
    parser.addHelpOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Render the main window to FILE.png off screen and exit."),
        QStringLiteral("FILE.png"));
    const QCommandLineOption page(QStringLiteral("tab"),
                                  QStringLiteral("Show page N (from 0) of the opened file."),
                                  QStringLiteral("N"));
    parser.addOption(screenshot);
    parser.addOption(page);
    parser.addPositionalArgument(QStringLiteral("PROJECT"),
                                 QStringLiteral("Project file (*.vepproj) or project folder."),
                                 QStringLiteral("[PROJECT]"));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Files to open."),
                                 QStringLiteral("[FILE.vep...]"));
    parser.process(app);

    arguments->screenshot = parser.value(screenshot);
    if (parser.isSet(page)) {
        bool ok = false;
        arguments->page = parser.value(page).toInt(&ok);
        if (!ok || arguments->page < 0) {
            *error = QStringLiteral("--tab needs a page number from 0, not \"%1\".")
                         .arg(parser.value(page));
            return false;
        }
    }
    const QStringList positional = parser.positionalArguments();
    for (const QString &path : positional) {
        if (!QFileInfo::exists(path)) {
            *error = QStringLiteral("%1 does not exist.").arg(QDir::toNativeSeparators(path));
            return false;
        }
        if (isProject(path)) {
            if (!arguments->project.isEmpty()) {
                *error = QStringLiteral("Only one project can be opened.");
                return false;
            }
            arguments->project = path;
        } else {
            arguments->files.append(path);
        }
    }
    return true;
}

QString pluginPath()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString besideProgram = programDir.filePath(QStringLiteral("plugins/libZELSettingPlugin.so"));
#ifdef VEP_INSTALLED_PLUGIN_DIR
    // Installed, the plug-in lives under the library folder rather than beside the program.
    if (!QFileInfo::exists(besideProgram))
        return programDir.filePath(QStringLiteral(VEP_INSTALLED_PLUGIN_DIR "/libZELSettingPlugin.so"));
#endif
    return besideProgram;
}

// Opens what the command line names; unattended runs need to know whether the last
// file really ended up as the current view.
bool openArguments(Studio::StudioWindow &window, const Arguments &arguments, QString *error)
{
    if (!arguments.project.isEmpty() && !window.openProject(arguments.project, error))
        return false;
    for (const QString &file : arguments.files) {
        window.openFile(file);
        if (!Core::ViewManager::instance()->currentView()) {
            *error = QStringLiteral("%1 did not open.").arg(QDir::toNativeSeparators(file));
            return false;
        }
    }
    if (arguments.page >= 0 && !window.showViewPage(arguments.page)) {
        *error = QStringLiteral("The current view has no page %1.").arg(arguments.page);
        return false;
    }
    return true;
}

int takeScreenshot(Studio::StudioWindow &window, const Arguments &arguments,
                   const Studio::ModalRefuser &refuser)
{
    QTextStream err(stderr);
    window.show();
    QApplication::processEvents();
    QString error;
    const bool opened = openArguments(window, arguments, &error);
    // Deferred work (a zero-delay netlist re-read, layouts) runs before the picture.
    QApplication::processEvents();
    QApplication::processEvents();
    // The checks run on a worker thread; the picture shows their result, and shows the
    // panel only when it lists something.
    Studio::ProblemsPanel *problems = window.problemsPanel();
    problems->waitUntilIdle();
    problems->setVisible(problems->count() > 0);
    QApplication::processEvents();
    if (!refuser.refused().isEmpty()) {
        err << "vep-studio: unexpected dialog: " << refuser.refused().join(QStringLiteral("; "))
            << '\n';
        return 2;
    }
    if (!opened) {
        err << "vep-studio: " << error << '\n';
        return 2;
    }
    const QImage image = window.grab().toImage();
    if (image.isNull() || !image.save(arguments.screenshot, "PNG")) {
        err << "vep-studio: cannot write " << QDir::toNativeSeparators(arguments.screenshot)
            << '\n';
        return 3;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vep-studio"));

    Arguments arguments;
    QString error;
    if (!parseArguments(app, &arguments, &error)) {
        QTextStream(stderr) << "vep-studio: " << error << '\n';
        return 1;
    }
    const bool unattended = !arguments.screenshot.isEmpty();

    Studio::ModalRefuser refuser;
    if (unattended)
        app.installEventFilter(&refuser);

    if (!ExtSys::PluginManager::instance()->loadPlugin(pluginPath(), &error)) {
        QTextStream(stderr) << "vep-studio: " << error << '\n';
        if (unattended)
            return 1;
        QMessageBox::warning(nullptr, QStringLiteral("VEP Studio"), error);
    }

    int result = 0;
    {
        Studio::StudioWindow window;
        window.resize(1600, 900);
        if (unattended) {
            result = takeScreenshot(window, arguments, refuser);
        } else {
            window.show();
            if (!openArguments(window, arguments, &error))
                QMessageBox::warning(&window, QStringLiteral("VEP Studio"), error);
            result = app.exec();
        }
    }
    // The views went with the window; the plug-in goes after them.
    ExtSys::PluginManager::instance()->shutdown();
    return result;
}
