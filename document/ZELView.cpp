#include "document/ZELView.h"

#include "document/ConfigDocumentParser.h"
#include "enable/ZELEnableSetWidget.h"
#include "general/ZELSettingWidget.h"
#include "host/nlsdata.h"
#include "host/te.h"
#include "rate/ZELRateWidget.h"
#include "ui_ChangedBanner.h"
#include "undo/EditHistory.h"

#include <QCloseEvent>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QXmlStreamWriter>

namespace ZEL {

namespace {

const char kStatusEvent[] = "TE.Process.Status.Change";
const char kDocType[] = "TAVIR_POWER_ANALYSIS_CONFIG";

} // namespace

ZELView::ZELView(DEV::DeviceArg device, NlsData::Netlist *netlist)
    : Core::IView(nullptr), m_netlist(netlist)
{
    // Before the pages: they follow the history from their constructors on.
    m_undoStack = new EditHistory(this);
    connect(m_undoStack, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (m_historyPaused == 0)
            setModified(!clean);
    });

    setTitle();

    m_mainLayout = new QVBoxLayout;
    m_mainLayout->setContentsMargins(0, 5, 0, 0);
    setLayout(m_mainLayout);

    m_generalPage = new ZELSettingWidget(this, nullptr);
    m_ratePage = new ZELRateWidget(this, nullptr);
    m_enableSetPage = new ZELEnableSetWidget(this, nullptr);
    m_generalPage->setDevice(device);

    m_tabWidget = new QTabWidget(this);
    m_tabWidget->addTab(m_generalPage, tr("General Setting"));
    m_tabWidget->addTab(m_ratePage, tr("Rate Setting"));
    m_tabWidget->addTab(m_enableSetPage, tr("Clock Setting"));
    m_mainLayout->addWidget(m_tabWidget);

    QUtil::EventManager::instance()->subscribe(this, QLatin1String(kStatusEvent));
}

ZELView::~ZELView()
{
    // Clearing the stack announces an index and a clean state; nobody may hear that
    // from a view that is going away.
    m_undoStack->disconnect();
    delete m_undoStack;
    m_undoStack = nullptr;

    delete m_netlist;
    m_netlist = nullptr;
    QUtil::EventManager::instance()->unsubscribe(this, QLatin1String(kStatusEvent));
    delete m_bannerForm;
}

bool ZELView::readCfgFile(const QString &path)
{
    bool read = false;
    resetHistory([this, &path, &read]() { read = readFile(path); });
    return read;
}

bool ZELView::readFile(const QString &path)
{
    m_cfgFile = path;

    // Read as bytes, not in text mode: the XML parser normalises line ends itself, and
    // dropping every CR byte would corrupt UTF-16 files.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    file.close();

    // Parse errors are not reported: whatever was built before the error is used.
    const QDomDocument doc = ConfigDocumentParser::parse(bytes);
    if (doc.doctype().name() != QLatin1String(kDocType))
        return false;

    const QDomElement root = doc.documentElement();
    if (root.isNull()) {
        setModified(true);
        return true;
    }

    m_generalPage->readConfig(root);
    m_ratePage->readConfig(root);
    m_enableSetPage->readConfig(root);

    m_cfgFile = path;
    setModified(false);

    m_generalPage->connectVoltageSignals();
    m_generalPage->updateVoltageRanges();
    return true;
}

void ZELView::save()
{
    writeToFile();
}

bool ZELView::writeToFile()
{
    if (m_cfgFile.isEmpty())
        return false;
    if (!m_generalPage->checkConfig() || !m_ratePage->checkConfig())
        return false;

    // Written to a temporary file that replaces the old one only once complete, so a
    // failed write (full disk, quota) never destroys what was saved before.
    QSaveFile file(m_cfgFile);
    bool written = false;
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QXmlStreamWriter writer(&file);
        writer.setAutoFormatting(true);
        writer.writeStartDocument();
        writer.writeDTD(QStringLiteral("<!DOCTYPE %1>").arg(QLatin1String(kDocType)));
        writer.writeStartElement(QStringLiteral("Config"));
        writer.writeTextElement(QStringLiteral("Version"), QStringLiteral("1.0"));

        m_generalPage->writeConfig(writer);
        m_ratePage->writeConfig(writer);
        m_enableSetPage->writeConfig(writer);

        // No writeEndDocument(): the file ends right after </Config>, without a line end.
        writer.writeEndElement();
        // QSaveFile::commit() in Qt 5 does not notice a write that fails while its
        // buffer is flushed on close, and would replace the file with a truncated one;
        // flushing first surfaces that error.
        if (writer.hasError() || !file.flush())
            file.cancelWriting();
        written = file.commit();
    }
    if (!written) {
        QMessageBox::warning(
            this, tr("Warning"),
            tr("Cannot open the config file '%1'!").arg(QDir::toNativeSeparators(m_cfgFile)),
            QMessageBox::Ok);
        return false;
    }

    setModified(false);
    m_undoStack->setClean();
    return true;
}

void ZELView::setModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    // Listeners (the view manager's save action) read the title while the signal is
    // delivered and must still see the old one.
    emit modificationStatusChanged(modified);
    setTitle();
}

bool ZELView::isModified() const
{
    return m_modified;
}

QString ZELView::file() const
{
    return m_cfgFile;
}

QString ZELView::getStrCfgFile() const
{
    return m_cfgFile;
}

NlsData::Netlist *ZELView::getNetlist()
{
    return m_netlist;
}

bool ZELView::getVoltageInfo()
{
    const bool loaded = m_generalPage->loadVoltageInfo();
    m_generalPage->updateVoltageVisibility();
    return loaded;
}

void ZELView::setDevice(DEV::DeviceArg device)
{
    m_generalPage->setDevice(device);
}

void ZELView::handleIEvent(const QUtil::IEvent *event)
{
    if (!event || event->type() != QLatin1String(kStatusEvent))
        return;
    const QString process = event->get(QStringLiteral("process")).toString();
    const int status = event->get(QStringLiteral("status")).toInt();
    if (process != QLatin1String("Process.Syn") || status != 2)
        return;
    // The event bus is still delivering; re-reading and possibly closing the view must
    // wait until it has returned.
    QTimer::singleShot(0, this, &ZELView::onNetlistChanged);
}

ZELSettingWidget *ZELView::generalPage() const
{
    return m_generalPage;
}

ZELRateWidget *ZELView::ratePage() const
{
    return m_ratePage;
}

ZELEnableSetWidget *ZELView::enableSetPage() const
{
    return m_enableSetPage;
}

QUndoStack *ZELView::undoStack() const
{
    return m_undoStack;
}

void ZELView::pushEdit(QUndoCommand *command)
{
    if (!isRecordingEdits()) {
        delete command;
        return;
    }
    m_undoStack->push(command);
}

bool ZELView::isRecordingEdits() const
{
    return m_historyPaused == 0;
}

void ZELView::resetHistory(const std::function<void()> &changes)
{
    ++m_historyPaused;
    changes();
    // A modified view differs from its file in a way no step records.
    m_undoStack->restart(!m_modified);
    --m_historyPaused;
}

QTabWidget *ZELView::tabWidget() const
{
    return m_tabWidget;
}

QWidget *ZELView::changedBanner() const
{
    return m_changedBanner;
}

void ZELView::closeEvent(QCloseEvent *event)
{
    if (!m_modified) {
        Core::IView::closeEvent(event);
        return;
    }
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Save"), tr("Save changes to \"%1\" ?").arg(QDir::toNativeSeparators(m_cfgFile)),
        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Discard, QMessageBox::Ok);
    switch (answer) {
    case QMessageBox::Ok:
        if (!writeToFile()) {
            event->ignore();
            return;
        }
        break;
    case QMessageBox::Discard:
        break;
    default:
        event->ignore();
        return;
    }
    Core::IView::closeEvent(event);
}

void ZELView::onOkBtn()
{
    if (m_changedBanner)
        m_changedBanner->hide();
}

void ZELView::onNetlistChanged()
{
    const QString path =
        TE::TaskEngine::instance()->flowManager()->resultFile(QStringLiteral("RES.netlist"));
    NlsData::Netlist *netlist = NlsData::readNetlistFile(path, nullptr, true);
    if (!netlist) {
        QMessageBox::critical(this, tr("Error"),
                              tr("Netlist file does not exist or some errors are in the netlist "
                                 "file. VEP view will be closed"),
                              QMessageBox::Ok);
        Core::ViewManager::instance()->closeView(this);
        return;
    }
    delete m_netlist;
    m_netlist = netlist;
    showChangedBanner();
}

void ZELView::setTitle()
{
    QString title = QFileInfo(m_cfgFile).fileName();
    if (m_modified)
        title += QLatin1Char('*');
    setWindowTitle(title);
    setShortTitle(title);
}

void ZELView::showChangedBanner()
{
    if (!m_changedBanner) {
        m_changedBanner = new QWidget(this);
        m_bannerForm = new Ui::ChangedBanner;
        m_bannerForm->setupUi(m_changedBanner);
        m_mainLayout->insertWidget(0, m_changedBanner);
        connect(m_bannerForm->okBtn, &QPushButton::clicked, this, &ZELView::onOkBtn);
    }
    m_changedBanner->show();
}

} // namespace ZEL
