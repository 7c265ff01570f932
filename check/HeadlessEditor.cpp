#include "check/HeadlessEditor.h"

#include "check/MessageBoxCatcher.h"
#include "document/ZELView.h"
#include "host/nlsdata.h"
#include "host/te.h"

#include <QDir>
#include <QFileInfo>

namespace VepCheck {

HeadlessEditor::HeadlessEditor(const QString &device, const QString &topModule)
    : m_catcher(new MessageBoxCatcher), m_device(device)
{
    // The view owns and deletes its netlist; reading and writing need only the top
    // module's name, so each view gets a netlist holding just that and the design's own
    // netlist can be shared by many views.
    m_view.reset(new ZEL::ZELView(DEV::DeviceArg(device), new NlsData::Netlist(topModule)));
}

HeadlessEditor::~HeadlessEditor() = default;

bool HeadlessEditor::open(const QString &path, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("Can not open %1, file does not exist.")
                     .arg(QDir::toNativeSeparators(path));
        return false;
    }
    // The page takes the voltage table of the IDE's selected chip; it is selected for the
    // device of this file while the table loads, and the IDE's selection is put back.
    TE::ProInfoManager *chips = TE::ProInfoManager::instance();
    const DEV::ChipInfo selected = chips->chipInfo();
    chips->setChipInfo(DEV::DeviceDatabase::instance()->chipInfo(m_device));
    const bool voltages = m_view->getVoltageInfo();
    chips->setChipInfo(selected);
    if (!voltages) {
        *error = QStringLiteral("get Voltage Info Fail. (device '%1')").arg(m_device);
        return false;
    }
    if (!m_view->readCfgFile(path)) {
        *error = QStringLiteral("Can not open %1: Invalid VEP file.")
                     .arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

QStringList HeadlessEditor::takeMessages()
{
    const QStringList texts = m_catcher->texts();
    m_catcher->clear();
    return texts;
}

} // namespace VepCheck
