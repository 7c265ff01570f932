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
#include <QDialogButtonBox>
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

const QByteArray kEmptyFile = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config/>";
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

// Fills in the temporary directory without QString::arg's complaints about texts
// that have no place marker.
QString fill(const QString &pattern, const QString &dir)
{
    return QString(pattern).replace(QLatin1String("%1"), dir);
}

template <class T> T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

Core::IWizardFactory *wizardFactory()
{
    const QList<Core::IWizardFactory *> factories =
        ExtSys::PluginManager::instance()->getObjects<Core::IWizardFactory>();
    for (Core::IWizardFactory *factory : factories) {
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
    void managerExistsBeforeStart();
    void entryPoints();
    void icons_data();
    void icons();
    void startRegistersWizardAndAction();

    void dialogForm();
    void dialogAccept_data();
    void dialogAccept();
    void dialogAddsToProject_data();
    void dialogAddsToProject();
    void dialogCreateFailure();
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
    ModalHelper::closeStrayModals();
    // A failed check may leave the modal helper waiting; let it run out before the next test.
    for (int i = 0; i < 1100; ++i)
        QCoreApplication::processEvents();
    Core::ProjectManager::setCurrentProject(nullptr);
}

void TestPlugin::managerExistsBeforeStart()
{
    ZEL::ZELViewManager *manager = ZEL::ZELViewManager::instance();
    QVERIFY(manager);
    QVERIFY(manager->parent() == nullptr);
    QVERIFY(manager->findChildren<QAction *>().isEmpty());
    QVERIFY(manager->zelViews().isEmpty());
}

// As the IDE's loader sees the library: metadata, one instance, its type checks.
void TestPlugin::entryPoints()
{
    QPluginLoader loader{QString::fromLatin1(kPluginPath)};
    const QJsonObject meta = loader.metaData();
    QCOMPARE(meta.value(QLatin1String("IID")).toString(),
             QStringLiteral("ZEL.ZELSettingPlugin/1.0"));
    QCOMPARE(meta.value(QLatin1String("className")).toString(), QStringLiteral("ZELSettingPlugin"));
    QVERIFY(meta.value(QLatin1String("MetaData")).toObject().isEmpty());

    QObject *object = loader.instance();
    QVERIFY2(object, qPrintable(loader.errorString()));
    QCOMPARE(loader.instance(), object);
    QPluginLoader second{QString::fromLatin1(kPluginPath)};
    QCOMPARE(second.instance(), object);

    QVERIFY(object->qt_metacast("ZEL::ZELSettingPlugin"));
    QVERIFY(object->qt_metacast("com.tavirsys.plugins.IPlugin/1.0"));
    QVERIFY(object->qt_metacast("ExtSys::IPlugin"));
    QVERIFY(!object->qt_metacast("ZEL::ZELView"));
    QVERIFY(qobject_cast<ExtSys::IPlugin *>(object));
}

void TestPlugin::icons_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("add") << QStringLiteral(":/zel/images/add.png");
    QTest::newRow("remove") << QStringLiteral(":/zel/images/remove.png");
}

void TestPlugin::icons()
{
    QFETCH(QString, path);
    QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(16, 16));
    QVERIFY(image.hasAlphaChannel());
}

void TestPlugin::startRegistersWizardAndAction()
{
    QVERIFY(!wizardFactory());
    QString error;
    ExtSys::IPlugin *plugin =
        ExtSys::PluginManager::instance()->loadPlugin(QLatin1String(kPluginPath), &error);
    QVERIFY2(plugin, qPrintable(error));
    QVERIFY(qobject_cast<ZEL::ZELSettingPlugin *>(plugin));

    const QList<QAction *> actions = ZEL::ZELViewManager::instance()->findChildren<QAction *>();
    QCOMPARE(actions.size(), 1);
    QVERIFY(!actions.first()->isEnabled());
    QVERIFY(!Core::ActionManager::command(QStringLiteral("Core.Action.Save"))->isEnabled());

    Core::IWizardFactory *factory = wizardFactory();
    QVERIFY(factory);
    QVERIFY(qobject_cast<Core::IFileWizardFactory *>(factory));
    QCOMPARE(factory->displayName(), QStringLiteral("VEP Config File"));
    QCOMPARE(factory->description(), QStringLiteral("TAVIR Power Analyzer Config File."));
    QVERIFY(!factory->icon().isNull());
}

void TestPlugin::dialogForm()
{
    ZEL::NewFileDialog dialog(m_dir->path(), nullptr);
    QCOMPARE(dialog.objectName(), QStringLiteral("ZEL__NewFileDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("New VEP Config File"));
    QCOMPARE(dialog.size(), QSize(712, 138));
    QCOMPARE(child<QLineEdit>(&dialog, "editCreateIn")->text(),
             QDir::toNativeSeparators(m_dir->path()));
    QCOMPARE(child<QLineEdit>(&dialog, "editName")->placeholderText(),
             QStringLiteral("Enter a name"));
    QCOMPARE(child<QLabel>(&dialog, "labelInfo")->styleSheet(),
             QStringLiteral("QLabel { color: red }"));
    QVERIFY(child<QLabel>(&dialog, "labelInfo")->text().isEmpty());
    auto *box = child<QCheckBox>(&dialog, "checkBoxAddToCurrent");
    QVERIFY(!box->isEnabled());
    QVERIFY(!box->isChecked());

    ZEL::NewFileDialog home(QString(), nullptr);
    QCOMPARE(child<QLineEdit>(&home, "editCreateIn")->text(),
             QDir::toNativeSeparators(QDir::homePath()));
}

void TestPlugin::dialogAccept_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dir");     // %1: the temporary directory
    QTest::addColumn<QString>("message"); // %1: the temporary directory
    QTest::addColumn<QString>("created"); // empty when nothing may be written

    QTest::newRow("plain") << QStringLiteral("power") << QStringLiteral("%1/work") << QString()
                           << QStringLiteral("%1/work/power.vep");
    QTest::newRow("suffix again") << QStringLiteral("power.vep") << QStringLiteral("%1")
                                  << QString() << QStringLiteral("%1/power.vep.vep");
    QTest::newRow("blank name") << QStringLiteral("  ") << QStringLiteral("%1") << QString()
                                << QStringLiteral("%1/  .vep");
    QTest::newRow("missing parents") << QStringLiteral("p") << QStringLiteral("%1/a/b/c")
                                     << QString() << QStringLiteral("%1/a/b/c/p.vep");
    QTest::newRow("normalised") << QStringLiteral("n") << QStringLiteral("%1//a/./b/../c/")
                                << QString() << QStringLiteral("%1/a/c/n.vep");
    QTest::newRow("leading blanks") << QStringLiteral("lead") << QStringLiteral("  %1") << QString()
                                    << QStringLiteral("%1/lead.vep");
    QTest::newRow("no name") << QStringLiteral("") << QStringLiteral("%1")
                             << QStringLiteral("Please enter a name.") << QString();
    QTest::newRow("no name, no dir") << QStringLiteral("") << QStringLiteral("")
                                     << QStringLiteral("Please enter a name.") << QString();
    QTest::newRow("no dir") << QStringLiteral("power") << QStringLiteral("")
                            << QStringLiteral("Please enter a path.") << QString();
    QTest::newRow("dir under a file")
        << QStringLiteral("x") << QStringLiteral("%1/file.txt/sub")
        << QStringLiteral("Cannot make the path %1/file.txt/sub.") << QString();
    QTest::newRow("exists") << QStringLiteral("taken") << QStringLiteral("%1")
                            << QStringLiteral("File %1/taken.vep already exists.") << QString();
}

void TestPlugin::dialogAccept()
{
    QFETCH(QString, name);
    QFETCH(QString, dir);
    QFETCH(QString, message);
    QFETCH(QString, created);
    const QString root = m_dir->path();
    QVERIFY(QFile(tmpPath(QStringLiteral("file.txt"))).open(QIODevice::WriteOnly));
    {
        QFile taken(tmpPath(QStringLiteral("taken.vep")));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("keep me");
    }
    // A directory with leading blanks is created, as typed, relative to the current one.
    const QString startDir = QDir::currentPath();
    QDir::setCurrent(root);

    ZEL::NewFileDialog dialog(root, nullptr);
    child<QLineEdit>(&dialog, "editName")->setText(name);
    child<QLineEdit>(&dialog, "editCreateIn")->setText(fill(dir, root));
    dialog.accept();
    QDir::setCurrent(startDir);

    QCOMPARE(child<QLabel>(&dialog, "labelInfo")->text(), fill(message, root));
    QCOMPARE(dialog.result(), int(created.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
    if (!created.isEmpty())
        QCOMPARE(readBytes(fill(created, root)), kEmptyFile);
    QCOMPARE(readBytes(tmpPath(QStringLiteral("taken.vep"))), QByteArray("keep me"));
}

void TestPlugin::dialogAddsToProject_data()
{
    QTest::addColumn<bool>("hasProject");
    QTest::addColumn<bool>("keepChecked");
    QTest::addColumn<bool>("added");
    QTest::newRow("project, checked") << true << true << true;
    QTest::newRow("project, unchecked") << true << false << false;
    QTest::newRow("no project") << false << false << false;
}

void TestPlugin::dialogAddsToProject()
{
    QFETCH(bool, hasProject);
    QFETCH(bool, keepChecked);
    QFETCH(bool, added);
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
    QCOMPARE(project.files,
             added ? QStringList{tmpPath(QStringLiteral("power.vep"))} : QStringList());
    Core::ProjectManager::setCurrentProject(nullptr);
}

// A dangling link passes the existence check but must not be written through.
void TestPlugin::dialogCreateFailure()
{
    const QString target = tmpPath(QStringLiteral("elsewhere.vep"));
    const QString link = tmpPath(QStringLiteral("link.vep"));
    QVERIFY(QFile::link(target, link));
    ZEL::NewFileDialog dialog(m_dir->path(), nullptr);
    child<QLineEdit>(&dialog, "editName")->setText(QStringLiteral("link"));

    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    dialog.accept();
    QVERIFY(seen.shown);
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.title, QStringLiteral("Error"));
    QVERIFY2(seen.text.startsWith(
                 QStringLiteral("Can not create file %1\n").arg(QDir::toNativeSeparators(link))),
             qPrintable(seen.text));
    QVERIFY(seen.text.size() > link.size() + 22); // the file's own error text follows
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(target));
}

void TestPlugin::dialogBrowse()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("chosen")));
    const QString chosen = tmpPath(QStringLiteral("chosen"));
    ZEL::NewFileDialog dialog(m_dir->path(), nullptr);
    auto *edit = child<QLineEdit>(&dialog, "editCreateIn");

    ModalSeen seen;
    ModalHelper::rejectNextDialog(&seen);
    child<QPushButton>(&dialog, "btnBrowse")->click();
    QVERIFY(seen.shown);
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
    QVERIFY(seen.shown);
    QCOMPARE(seen.className, QStringLiteral("ZEL::NewFileDialog"));
    QCOMPARE(proposed, QDir::toNativeSeparators(m_dir->path()));
    QCOMPARE(readBytes(tmpPath(QStringLiteral("fromWizard.vep"))), kEmptyFile);
    // The wizard does not open the file.
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
}

void TestPlugin::shutdownDestroysManager()
{
    QVERIFY(ZEL::ZELViewManager::instance());
    ExtSys::PluginManager::instance()->shutdown();
    QVERIFY(ZEL::ZELViewManager::instance() == nullptr);
    QVERIFY(!wizardFactory());
}

QTEST_MAIN(TestPlugin)
#include "tst_plugin.moc"
