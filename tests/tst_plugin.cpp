// The plug-in as the IDE loads it (entry points, metadata, type checks, start-up and
// shutdown, icons) and the new-file wizard with its dialog.

#include "host/core.h"
#include "host/extsys.h"
#include "plugin/NewFileDialog.h"
#include "plugin/ZELSettingPlugin.h"
#include "plugin/ZELViewManager.h"
#include "support/ModalHelper.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPluginLoader>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

const QByteArray kEmptyFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>
<Config/>)";
const char kPluginPath[] = VEP_PLUGIN_DIR "/libZELSettingPlugin.so";

class RecordingProject : public Core::IProject {
public:
    bool addFile(const QString &filePath) override
    {
        files << filePath;
        return true;
    }
    QStringList files;
};

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

template <class T> T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

Core::IWizardFactory *wizardFactory()
{
    for (auto *factory : ExtSys::PluginManager::instance()->getObjects<Core::IWizardFactory>()) {
        if (factory->id() == QLatin1String("MC.Wizard.ZEL"))
            return factory;
    }
    return nullptr;
}

} // namespace

class TestPlugin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // In this order: library loaded, then started, then shut down at the end.
    void libraryLoaded();
    void startRegistersWizardAndAction();
    void dialogAccept_data();
    void dialogAccept();
    void dialogAddsToProject_data();
    void dialogAddsToProject();
    void dialogBrowse();
    void wizardRunsDialog();
    void shutdownDestroysManager();

private:
    QString tmpPath(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPlugin::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    Core::ProjectManager::setCurrentProject(nullptr);
}

void TestPlugin::cleanup()
{
    ModalHelper::cancelPending();
    ModalHelper::closeStrayModals();
    Core::ProjectManager::setCurrentProject(nullptr);
}

// As the IDE's loader sees the library before starting it: the manager and the icons
// exist, the save action does not yet; one plug-in instance with its type checks.
void TestPlugin::libraryLoaded()
{
    QVERIFY(ZEL::ZELViewManager::instance());
    QVERIFY(ZEL::ZELViewManager::instance()->findChildren<QAction *>().isEmpty());
    for (const char *icon : {":/zel/images/add.png", ":/zel/images/remove.png"})
        QVERIFY2(!QImage(QLatin1String(icon)).isNull(), icon);

    QPluginLoader loader{QString::fromLatin1(kPluginPath)};
    QCOMPARE(loader.metaData().value(QLatin1String("IID")).toString(),
             QStringLiteral("ZEL.ZELSettingPlugin/1.0"));
    QObject *object = loader.instance();
    QVERIFY2(object, qPrintable(loader.errorString()));
    QCOMPARE(QPluginLoader(QString::fromLatin1(kPluginPath)).instance(), object);
    QVERIFY(object->qt_metacast("ZEL::ZELSettingPlugin"));
    QVERIFY(object->qt_metacast("com.tavirsys.plugins.IPlugin/1.0"));
    QVERIFY(!object->qt_metacast("ZEL::ZELView"));
    QVERIFY(qobject_cast<ExtSys::IPlugin *>(object));
}

void TestPlugin::startRegistersWizardAndAction()
{
    QVERIFY(!wizardFactory());
    QString error;
    ExtSys::IPlugin *plugin =
        ExtSys::PluginManager::instance()->loadPlugin(QLatin1String(kPluginPath), &error);
    QVERIFY2(qobject_cast<ZEL::ZELSettingPlugin *>(plugin), qPrintable(error));

    const QList<QAction *> actions = ZEL::ZELViewManager::instance()->findChildren<QAction *>();
    QCOMPARE(actions.size(), 1);
    QVERIFY(!actions.first()->isEnabled());
    QVERIFY(!Core::ActionManager::command(QStringLiteral("Core.Action.Save"))->isEnabled());
    QVERIFY(qobject_cast<Core::IFileWizardFactory *>(wizardFactory()));
}

void TestPlugin::dialogAccept_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dir");     // %1: the temporary directory, as in the next ones
    QTest::addColumn<QString>("message"); // in the dialog
    QTest::addColumn<QString>("created"); // empty when nothing may be written
    QTest::addColumn<QString>("box");     // the start of an error box's text
    const auto row = [](const char *tag, const char *name, const char *dir, const char *message,
                        const char *created, const char *box = "") {
        QTest::newRow(tag) << QString(name) << QString(dir) << QString(message) << QString(created)
                           << QString(box);
    };
    row("plain", "power", "%1/work", "", "%1/work/power.vep");
    row("suffix again", "power.vep", "%1", "", "%1/power.vep.vep");
    row("blank name", "  ", "%1", "", "%1/  .vep");
    row("missing parents", "p", "%1/a/b/c", "", "%1/a/b/c/p.vep");
    row("normalised", "n", "%1//a/./b/../c/", "", "%1/a/c/n.vep");
    row("leading blanks", "lead", "  %1", "", "%1/lead.vep");
    row("no name", "", "%1", "Please enter a name.", "");
    row("no name, no dir", "", "", "Please enter a name.", "");
    row("no dir", "power", "", "Please enter a path.", "");
    row("dir under a file", "x", "%1/file.txt/sub", "Cannot make the path %1/file.txt/sub.", "");
    row("exists", "taken", "%1", "File %1/taken.vep already exists.", "");
    // It passes the existence check but must not be written through.
    row("dangling link", "link", "%1", "", "", "Can not create file %1/link.vep\n");
}

void TestPlugin::dialogAccept()
{
    QFETCH(QString, name);
    QFETCH(QString, dir);
    QFETCH(QString, message);
    QFETCH(QString, created);
    QFETCH(QString, box);
    const QString root = m_dir->path();
    const auto fill = [&root](QString pattern) { return pattern.replace("%1", root); };
    QVERIFY(QFile(tmpPath(QStringLiteral("file.txt"))).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(tmpPath(QStringLiteral("elsewhere.vep")), tmpPath("link.vep")));
    QFile taken(tmpPath(QStringLiteral("taken.vep")));
    QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("keep me") == 7);
    taken.close();
    // A directory with leading blanks is created, as typed, relative to the current one.
    const QString startDir = QDir::currentPath();
    QDir::setCurrent(root);

    ZEL::NewFileDialog dialog(root, nullptr);
    child<QLineEdit>(&dialog, "editName")->setText(name);
    child<QLineEdit>(&dialog, "editCreateIn")->setText(fill(dir));
    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    dialog.accept();
    QDir::setCurrent(startDir);

    QCOMPARE(child<QLabel>(&dialog, "labelInfo")->text(), fill(message));
    QCOMPARE(dialog.result(), int(created.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
    if (!created.isEmpty())
        QCOMPARE(readBytes(fill(created)), kEmptyFile);
    QCOMPARE(readBytes(taken.fileName()), QByteArray("keep me"));
    QVERIFY(!QFile::exists(tmpPath(QStringLiteral("elsewhere.vep"))));
    // An error box names the file natively, then gives the file's own error text.
    const QString boxStart = QDir::toNativeSeparators(fill(box));
    QCOMPARE(seen.title, QString(box.isEmpty() ? "" : "Error"));
    QCOMPARE(seen.text.left(boxStart.size()), boxStart);
    QCOMPARE(seen.text.size() > boxStart.size(), !box.isEmpty());
}

void TestPlugin::dialogAddsToProject_data()
{
    QTest::addColumn<bool>("hasProject");
    QTest::addColumn<bool>("keepChecked");
    QTest::newRow("project, checked") << true << true;
    QTest::newRow("project, unchecked") << true << false;
    QTest::newRow("no project, checked") << false << true;
}

void TestPlugin::dialogAddsToProject()
{
    QFETCH(bool, hasProject);
    QFETCH(bool, keepChecked);
    RecordingProject project;
    if (hasProject)
        Core::ProjectManager::setCurrentProject(&project);

    ZEL::NewFileDialog dialog(m_dir->path() + QStringLiteral("/./"), nullptr);
    auto *box = child<QCheckBox>(&dialog, "checkBoxAddToCurrent");
    QCOMPARE(box->isEnabled(), hasProject);
    QCOMPARE(box->isChecked(), hasProject);
    box->setChecked(keepChecked);
    child<QLineEdit>(&dialog, "editName")->setText(QStringLiteral("power"));
    dialog.accept();

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // The normalised path is added, and only to a project that exists.
    QCOMPARE(project.files, hasProject && keepChecked
                                ? QStringList{tmpPath(QStringLiteral("power.vep"))}
                                : QStringList());
}

void TestPlugin::dialogBrowse()
{
    ZEL::NewFileDialog home(QString(), nullptr);
    QCOMPARE(child<QLineEdit>(&home, "editCreateIn")->text(),
             QDir::toNativeSeparators(QDir::homePath()));

    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("chosen")));
    const QString chosen = tmpPath(QStringLiteral("chosen"));
    ZEL::NewFileDialog dialog(m_dir->path(), nullptr);
    auto *edit = child<QLineEdit>(&dialog, "editCreateIn");
    ModalSeen seen;
    ModalHelper::rejectNextDialog(&seen);
    child<QPushButton>(&dialog, "btnBrowse")->click();
    QCOMPARE(seen.title, QStringLiteral("Select Directory"));
    QCOMPARE(edit->text(), QDir::toNativeSeparators(m_dir->path()));

    QString startedIn;
    ModalHelper::acceptNextDialog([&startedIn, chosen](QDialog *modal) {
        auto *files = qobject_cast<QFileDialog *>(modal);
        QVERIFY(files);
        startedIn = files->directory().absolutePath();
        files->setDirectory(chosen);
    });
    child<QPushButton>(&dialog, "btnBrowse")->click();
    QCOMPARE(startedIn, m_dir->path());
    QCOMPARE(edit->text(), chosen);
}

void TestPlugin::wizardRunsDialog()
{
    Core::IWizardFactory *factory = wizardFactory();
    QVERIFY(factory);
    QString proposed;
    ModalSeen seen;
    ModalHelper::acceptNextDialog(
        [&proposed](QDialog *modal) {
            proposed = child<QLineEdit>(modal, "editCreateIn")->text();
            child<QLineEdit>(modal, "editName")->setText(QStringLiteral("fromWizard"));
        },
        &seen);
    factory->run(nullptr, m_dir->path());
    QCOMPARE(seen.className, QStringLiteral("ZEL::NewFileDialog"));
    QCOMPARE(proposed, QDir::toNativeSeparators(m_dir->path()));
    QCOMPARE(readBytes(tmpPath(QStringLiteral("fromWizard.vep"))), kEmptyFile);
    // The wizard does not open the file.
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
}

void TestPlugin::shutdownDestroysManager()
{
    ExtSys::PluginManager::instance()->shutdown();
    QVERIFY(ZEL::ZELViewManager::instance() == nullptr);
    QVERIFY(!wizardFactory());
}

QTEST_MAIN(TestPlugin)
#include "tst_plugin.moc"
