#include "general/ZELSettingWidget.h"
#include "ui_ZELSettingWidget.h"

#include "document/ZELView.h"
#include "host/te.h"
#include "plugin/ZELViewManager.h"
#include "undo/FormEditRecorder.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDomElement>
#include <QStringList>
#include <QXmlStreamWriter>

namespace ZEL {

namespace {

const QString kDeviceChangeEvent = QStringLiteral("TE.Device.Change");

// Models whose VCCX rail is fixed by the package; matched case-sensitively.
const QStringList &vccxLockedModels()
{
    static const QStringList models{QStringLiteral("PX-A"), QStringLiteral("PX-B"),
                                    QStringLiteral("PX-C"), QStringLiteral("PX-D"),
                                    QStringLiteral("PX-E"), QStringLiteral("PX-F")};
    return models;
}

QString firstCheckedEnabledText(const QButtonGroup *group)
{
    const QList<QAbstractButton *> buttons = group->buttons();
    for (const QAbstractButton *button : buttons) {
        if (button->isChecked() && button->isEnabled())
            return button->text();
    }
    return QString();
}

void checkButtonsWithText(const QButtonGroup *group, const QString &text)
{
    const QList<QAbstractButton *> buttons = group->buttons();
    for (QAbstractButton *button : buttons) {
        if (button->text() == text)
            button->setChecked(true);
    }
}

// Qt's text-to-double conversion accepts "nan" and "inf" and turns an overflow such
// as "1e999" into infinity; a spin box given either ends up at one of its limits. Such
// texts read as 0, like any other text that is not a number, and are then clamped.
double fileNumber(const QString &text)
{
    const double value = text.toDouble();
    return qIsFinite(value) ? value : 0.0;
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

bool isCheckedAndEnabled(const QAbstractButton *button)
{
    return button->isChecked() && button->isEnabled();
}

} // namespace

ZELSettingWidget::ZELSettingWidget(ZELView *view, QWidget *parent)
    : QWidget(parent), m_view(view), ui(new Ui::ZELSettingWidget), m_voltage(QString(), QString())
{
    ui->setupUi(this);

    // Group order decides which checked button is written first.
    buttonGroupHeat = new QButtonGroup(this);
    buttonGroupHeat->setObjectName(QStringLiteral("buttonGroupHeat"));
    buttonGroupHeat->setExclusive(true);
    buttonGroupHeat->addButton(ui->radioHeatNone);
    buttonGroupHeat->addButton(ui->radioHeatLow);
    buttonGroupHeat->addButton(ui->radioHeatMedium);
    buttonGroupHeat->addButton(ui->radioHeatHigh);
    buttonGroupHeat->addButton(ui->radioHeatCumstom);

    buttonGroupBoard = new QButtonGroup(this);
    buttonGroupBoard->setObjectName(QStringLiteral("buttonGroupBoard"));
    buttonGroupBoard->setExclusive(true);
    buttonGroupBoard->addButton(ui->radioBoardNone);
    buttonGroupBoard->addButton(ui->radioBoardCustom);
    buttonGroupBoard->addButton(ui->radioBoardTypical);

    QUtil::EventManager::instance()->subscribe(this, kDeviceChangeEvent);

    // Every connection below is one user edit: what it and the rules it runs change
    // becomes one step of the view's history, named after the control.
    m_history = new FormEditRecorder(view, this);
    m_history->watchChildren(this);

    const auto comboIndexChanged = QOverload<int>::of(&QComboBox::currentIndexChanged);
    const auto spinValueChanged = QOverload<double>::of(&QDoubleSpinBox::valueChanged);
    const auto groupButtonClicked = QOverload<QAbstractButton *>::of(&QButtonGroup::buttonClicked);
    const auto markModified = [this]() { modified(); };

    m_history->connectEdit(ui->comboGrade, comboIndexChanged, tr("Grade"), [this]() {
        modified();
        updateJunctionTempRange();
    });
    m_history->connectEdit(ui->comboProcess, comboIndexChanged, tr("Process"), markModified);
    m_history->connectEdit(ui->spinAmbTemp, spinValueChanged, tr("Ambient Temperature"),
                           markModified);
    m_history->connectEdit(ui->spinBoardTemp, spinValueChanged, tr("Board Temperature"),
                           markModified);
    m_history->connectEdit(ui->comboAirFlow, comboIndexChanged, tr("Air Flow"), markModified);
    // clicked() and buttonClicked() fire for the user only, so readConfig can set these
    // controls without running the rules halfway through.
    m_history->connectEdit(ui->checkJA, &QCheckBox::clicked, tr("Custom Theta JA"),
                           [this]() { onChangeThetaEnable(); });
    m_history->connectEdit(buttonGroupHeat, groupButtonClicked, tr("Heat Sink"),
                           [this]() { onHeatChanged(); });
    m_history->connectEdit(buttonGroupBoard, groupButtonClicked, tr("Board Thermal Model"),
                           [this]() { onBoardTMChanged(); });
    m_history->connectEdit(ui->lineEditJA, spinValueChanged, tr("Custom Theta JA"), markModified);
    // The text overload of valueChanged is deprecated; textChanged is emitted at the same
    // moment with the same text, so the view is marked exactly as before.
    m_history->connectEdit(ui->lineEditSA, &QDoubleSpinBox::textChanged, tr("Custom Theta SA"),
                           markModified);
    m_history->connectEdit(ui->lineEditJB, &QDoubleSpinBox::textChanged, tr("Custom Theta JB"),
                           markModified);
    m_history->connectEdit(ui->checkBoxJunctionTemp, &QCheckBox::toggled,
                           tr("Junction Temperature"), [this]() { onJunctionTempChanged(); });
    m_history->connectEdit(ui->spinJunctionTemp, spinValueChanged, tr("Junction Temperature"),
                           markModified);

    loadVoltageInfo();
}

ZELSettingWidget::~ZELSettingWidget()
{
    QUtil::EventManager::instance()->unsubscribe(this, kDeviceChangeEvent);
    delete ui;
}

void ZELSettingWidget::readConfig(const QDomElement &root)
{
    // The grade goes first: its range rule must clamp the junction temperature read below.
    const QDomElement grade = root.firstChildElement(QStringLiteral("TempGrade"));
    if (!grade.isNull()) {
        const int index = ui->comboGrade->findText(grade.text(), Qt::MatchFixedString);
        ui->comboGrade->setCurrentIndex(index < 0 ? 0 : index);
    }
    const QDomElement process = root.firstChildElement(QStringLiteral("Process"));
    if (!process.isNull()) {
        const int index = ui->comboProcess->findText(process.text(), Qt::MatchFixedString);
        ui->comboProcess->setCurrentIndex(index < 0 ? 0 : index);
    }
    const QDomElement junction = root.firstChildElement(QStringLiteral("JunctionTemp"));
    if (!junction.isNull()) {
        ui->checkBoxJunctionTemp->setChecked(true);
        ui->spinJunctionTemp->setValue(fileNumber(junction.text()));
    } else {
        ui->checkBoxJunctionTemp->setChecked(false);
    }
    const QDomElement ambient = root.firstChildElement(QStringLiteral("AmbientTemp"));
    if (!ambient.isNull())
        ui->spinAmbTemp->setValue(fileNumber(ambient.text()));
    const QDomElement boardTemp = root.firstChildElement(QStringLiteral("BoardTemp"));
    if (!boardTemp.isNull())
        ui->spinBoardTemp->setValue(fileNumber(boardTemp.text()));
    const QDomElement airFlow = root.firstChildElement(QStringLiteral("AirFlow"));
    if (!airFlow.isNull()) {
        const int index = ui->comboAirFlow->findText(airFlow.text());
        ui->comboAirFlow->setCurrentIndex(index < 0 ? 0 : index);
    }
    const QDomElement heatSink = root.firstChildElement(QStringLiteral("HeatSink"));
    if (!heatSink.isNull())
        checkButtonsWithText(buttonGroupHeat, heatSink.text());
    const QDomElement boardModel = root.firstChildElement(QStringLiteral("BoardThermalModel"));
    if (!boardModel.isNull())
        checkButtonsWithText(buttonGroupBoard, boardModel.text());

    const QString notAvailable = QStringLiteral("NA");
    const QDomElement thetaJA = root.firstChildElement(QStringLiteral("CustomThetaJA"));
    if (!thetaJA.isNull()) {
        if (thetaJA.text() != notAvailable) {
            ui->checkJA->setChecked(true);
            ui->lineEditJA->setEnabled(true);
            ui->lineEditJA->setValue(fileNumber(thetaJA.text()));
        } else {
            ui->checkJA->setChecked(false);
            ui->lineEditJA->setEnabled(false);
        }
    }
    const QDomElement thetaSA = root.firstChildElement(QStringLiteral("CustomThetaSA"));
    if (!thetaSA.isNull() && thetaSA.text() != notAvailable)
        ui->lineEditSA->setValue(fileNumber(thetaSA.text()));
    const QDomElement thetaJB = root.firstChildElement(QStringLiteral("CustomThetaJB"));
    if (!thetaJB.isNull() && thetaJB.text() != notAvailable)
        ui->lineEditJB->setValue(fileNumber(thetaJB.text()));

    // Still within the form's 0..50: the chip's limits are fitted later by
    // updateVoltageRanges, which needs the values as stored to decide on defaults.
    const QDomElement vcc = root.firstChildElement(QStringLiteral("VCC"));
    if (!vcc.isNull())
        ui->doubleSpinVCC->setValue(fileNumber(vcc.text()));
    const QDomElement vccx = root.firstChildElement(QStringLiteral("VCCX"));
    if (!vccx.isNull())
        ui->doubleSpinVCCX->setValue(fileNumber(vccx.text()));
    const QDomElement vccldo = root.firstChildElement(QStringLiteral("VCC_LDO"));
    if (!vccldo.isNull())
        ui->doubleSpinVCCLDO->setValue(fileNumber(vccldo.text()));

    // R2 last: a junction temperature closes everything R1 may have opened.
    onChangeThetaEnable();
    onJunctionTempChanged();
    modified();
}

void ZELSettingWidget::writeConfig(QXmlStreamWriter &writer)
{
    write(writer, contents());
}

void ZELSettingWidget::write(QXmlStreamWriter &writer, const Contents &contents)
{
    for (const auto &element : contents)
        writer.writeTextElement(element.first, element.second);
}

ZELSettingWidget::Contents ZELSettingWidget::contents() const
{
    Contents elements;
    const auto put = [&elements](const QString &tag, const QString &text) {
        elements.append({tag, text});
    };
    put(QStringLiteral("TempGrade"), ui->comboGrade->currentText().toUpper());
    put(QStringLiteral("Process"), ui->comboProcess->currentText().toUpper());
    if (isCheckedAndEnabled(ui->checkBoxJunctionTemp))
        put(QStringLiteral("JunctionTemp"), number(ui->spinJunctionTemp->value()));
    if (ui->spinAmbTemp->isEnabled())
        put(QStringLiteral("AmbientTemp"), number(ui->spinAmbTemp->value()));

    // A tied or locked rail is disabled but still carries the chip's voltage.
    if (!ui->doubleSpinVCC->isHidden())
        put(QStringLiteral("VCC"), number(ui->doubleSpinVCC->value()));
    if (!ui->doubleSpinVCCX->isHidden())
        put(QStringLiteral("VCCX"), number(ui->doubleSpinVCCX->value()));
    if (!ui->doubleSpinVCCLDO->isHidden())
        put(QStringLiteral("VCC_LDO"), number(ui->doubleSpinVCCLDO->value()));

    if (isCheckedAndEnabled(ui->checkJA)) {
        put(QStringLiteral("CustomThetaJA"), number(ui->lineEditJA->value()));
        return elements;
    }

    const QString heatSink = firstCheckedEnabledText(buttonGroupHeat);
    if (!heatSink.isNull())
        put(QStringLiteral("HeatSink"), heatSink);
    if (isCheckedAndEnabled(ui->radioHeatNone)) {
        put(QStringLiteral("AirFlow"), ui->comboAirFlow->currentText());
        return elements;
    }
    if (isCheckedAndEnabled(ui->radioHeatCumstom))
        put(QStringLiteral("CustomThetaSA"), number(ui->lineEditSA->value()));
    else if (ui->radioHeatCumstom->isEnabled())
        put(QStringLiteral("AirFlow"), ui->comboAirFlow->currentText());

    const QString boardModel = firstCheckedEnabledText(buttonGroupBoard);
    if (!boardModel.isNull())
        put(QStringLiteral("BoardThermalModel"), boardModel);
    if (isCheckedAndEnabled(ui->radioBoardCustom)) {
        put(QStringLiteral("CustomThetaJB"), number(ui->lineEditJB->value()));
        put(QStringLiteral("BoardTemp"), number(ui->spinBoardTemp->value()));
    } else if (isCheckedAndEnabled(ui->radioBoardTypical)) {
        put(QStringLiteral("BoardTemp"), number(ui->spinBoardTemp->value()));
    }
    return elements;
}

bool ZELSettingWidget::checkConfig()
{
    return true;
}

bool ZELSettingWidget::loadVoltageInfo()
{
    const DEV::ChipInfo chip = TE::ProInfoManager::instance()->chipInfo();
    const ZOR::Voltage candidate(chip.voltage, chip.family);
    if (candidate.getVCCDefaultValue().isEmpty())
        return false;
    m_voltage = candidate;
    return true;
}

void ZELSettingWidget::updateVoltageVisibility()
{
    const bool hasVCC = !m_voltage.getVCCDefaultValue().isEmpty();
    ui->labelVCC->setVisible(hasVCC);
    ui->doubleSpinVCC->setVisible(hasVCC);
    const bool hasVCCX = !m_voltage.getVCCXDefaultValue().isEmpty();
    ui->labelVCCX->setVisible(hasVCCX);
    ui->doubleSpinVCCX->setVisible(hasVCCX);
    const bool hasVCCLDO = !m_voltage.getVCCLDODefaultValue().isEmpty();
    ui->labelVCCLDO->setVisible(hasVCCLDO);
    ui->doubleSpinVCCLDO->setVisible(hasVCCLDO);

    // A tied rail follows its leader, so only the leader stays editable. This overrides
    // the VCCX lock of an earlier setDevice on purpose.
    const bool vccxFollows = m_voltage.isVCCVCCXShortCircuit();
    ui->labelVCCX->setEnabled(!vccxFollows);
    ui->doubleSpinVCCX->setEnabled(!vccxFollows);
    const bool vccldoFollows =
        m_voltage.isVCCXVCCLDOShortCircuit() || m_voltage.isVCCVCCLDOShortCircuit();
    ui->labelVCCLDO->setEnabled(!vccldoFollows);
    ui->doubleSpinVCCLDO->setEnabled(!vccldoFollows);
}

void ZELSettingWidget::connectVoltageSignals()
{
    const auto spinValueChanged = QOverload<double>::of(&QDoubleSpinBox::valueChanged);
    const auto onValue = [this]() { onValueChanged(); };
    // A tied rail follows inside the edit of its leader, so both change in one step.
    m_history->connectEdit(ui->doubleSpinVCC, spinValueChanged, tr("VCC"), onValue);
    m_history->connectEdit(ui->doubleSpinVCCX, spinValueChanged, tr("VCCX"), onValue);
    m_history->connectEdit(ui->doubleSpinVCCLDO, spinValueChanged, tr("VCCLDO"), onValue);
}

void ZELSettingWidget::updateVoltageRanges()
{
    struct Rail {
        QDoubleSpinBox *spin;
        double stored;
        double minimum;
        double maximum;
        QString defaultValue;
    };
    // The stored values are taken before any range change clamps them: only a value the
    // chip cannot take is replaced by the default; a clamped-in neighbour is not.
    Rail rails[] = {
        {ui->doubleSpinVCC, ui->doubleSpinVCC->value(), m_voltage.getVCCMin().toDouble(),
         m_voltage.getVCCMax().toDouble(), m_voltage.getVCCDefaultValue()},
        {ui->doubleSpinVCCX, ui->doubleSpinVCCX->value(), m_voltage.getVCCXMin().toDouble(),
         m_voltage.getVCCXMax().toDouble(), m_voltage.getVCCXDefaultValue()},
        {ui->doubleSpinVCCLDO, ui->doubleSpinVCCLDO->value(), m_voltage.getVCCLDOMin().toDouble(),
         m_voltage.getVCCLDOMax().toDouble(), m_voltage.getVCCLDODefaultValue()},
    };
    for (const Rail &rail : rails)
        rail.spin->setRange(rail.minimum, rail.maximum);

    // The tolerance is 1e-16 in single precision widened to double, not the double 1e-16:
    // the two differ in which values just beyond a limit keep their stored value.
    const double tolerance = static_cast<double>(1e-16f);
    for (const Rail &rail : rails) {
        const bool outside =
            rail.stored - rail.minimum < -tolerance || rail.stored - rail.maximum > tolerance;
        if (outside && !rail.spin->isHidden())
            rail.spin->setValue(rail.defaultValue.toDouble());
    }
    syncShortCircuitValues();
}

void ZELSettingWidget::syncShortCircuitValues()
{
    // Only the first tie that holds is served; the follower's own signal then finds the
    // texts equal, which ends the chain.
    if (m_voltage.isVCCVCCXShortCircuit()) {
        if (ui->doubleSpinVCC->text() == ui->doubleSpinVCCX->text())
            return;
        ui->doubleSpinVCCX->setValue(ui->doubleSpinVCC->value());
        modified();
    } else if (m_voltage.isVCCXVCCLDOShortCircuit()) {
        if (ui->doubleSpinVCCX->text() == ui->doubleSpinVCCLDO->text())
            return;
        ui->doubleSpinVCCLDO->setValue(ui->doubleSpinVCCX->value());
        modified();
    } else if (m_voltage.isVCCVCCLDOShortCircuit()) {
        if (ui->doubleSpinVCC->text() == ui->doubleSpinVCCLDO->text())
            return;
        ui->doubleSpinVCCLDO->setValue(ui->doubleSpinVCC->value());
        modified();
    }
}

void ZELSettingWidget::setDevice(DEV::DeviceArg device)
{
    const bool locked = vccxLockedModels().contains(device.device(), Qt::CaseSensitive);
    ui->doubleSpinVCCX->setEnabled(!locked);
}

void ZELSettingWidget::handleIEvent(const QUtil::IEvent *event)
{
    if (!event || event->type() != kDeviceChangeEvent)
        return;
    if (loadVoltageInfo()) {
        // The VCCX lock is left as V1 decides; the host calls setDevice again if needed.
        // Steps recorded under the old chip's limits could restore values the new chip
        // cannot take, so the history starts again from the refitted page.
        const auto refit = [this]() {
            updateVoltageVisibility();
            updateVoltageRanges();
        };
        if (m_view)
            m_view->resetHistory(refit);
        else
            refit();
        return;
    }
    if (!m_view)
        return;
    // The chip cannot be analysed any more; its edits are dropped without a prompt.
    m_view->setModified(false);
    ZELViewManager::closeView(m_view->file());
}

void ZELSettingWidget::modified()
{
    if (m_view)
        m_view->setModified(true);
}

void ZELSettingWidget::onChangeThetaEnable()
{
    const bool customJA = ui->checkJA->isChecked();
    ui->groupHeat->setEnabled(!customJA);
    ui->groupBoard->setEnabled(!customJA);
    ui->lineEditJA->setEnabled(customJA);
    // The heat-sink choice decides again whether the board group may stay open.
    if (!customJA)
        onHeatChanged();
    modified();
}

void ZELSettingWidget::onBoardTMChanged()
{
    ui->lineEditJB->setEnabled(ui->radioBoardCustom->isChecked());
    ui->spinBoardTemp->setEnabled(!ui->radioBoardNone->isChecked());
    modified();
}

void ZELSettingWidget::onHeatChanged()
{
    const bool noSink = ui->radioHeatNone->isChecked();
    const bool customSink = ui->radioHeatCumstom->isChecked();
    if (noSink)
        ui->radioBoardNone->setChecked(true);
    else if (customSink)
        ui->comboAirFlow->setCurrentIndex(0);
    ui->groupBoard->setEnabled(!noSink);
    ui->comboAirFlow->setEnabled(!customSink);
    ui->lineEditSA->setEnabled(customSink);
    onBoardTMChanged();
    modified();
}

void ZELSettingWidget::onJunctionTempChanged()
{
    const bool junctionGiven = ui->checkBoxJunctionTemp->isChecked();
    ui->spinJunctionTemp->setEnabled(junctionGiven);
    ui->spinAmbTemp->setEnabled(!junctionGiven);
    ui->checkJA->setEnabled(!junctionGiven);
    ui->lineEditJA->setEnabled(!junctionGiven);
    ui->groupHeat->setEnabled(!junctionGiven);
    ui->groupBoard->setEnabled(!junctionGiven);
    // R1 narrows theta JA, heat sink and board model again to what their own choices allow.
    if (!junctionGiven)
        onChangeThetaEnable();
    modified();
}

void ZELSettingWidget::updateJunctionTempRange()
{
    const QString grade = ui->comboGrade->currentText();
    if (grade == QLatin1String("Commercial")) {
        ui->spinJunctionTemp->setMinimum(0);
        ui->spinJunctionTemp->setMaximum(85);
    } else if (grade == QLatin1String("Industrial")) {
        ui->spinJunctionTemp->setMinimum(-40);
        ui->spinJunctionTemp->setMaximum(100);
    } else {
        ui->spinJunctionTemp->setMinimum(-40);
        ui->spinJunctionTemp->setMaximum(125);
    }
}

void ZELSettingWidget::onValueChanged()
{
    syncShortCircuitValues();
    modified();
}

} // namespace ZEL
