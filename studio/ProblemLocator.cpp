#include "studio/ProblemLocator.h"

#include "check/Diagnostic.h"
#include "document/ZELView.h"
#include "enable/BsramSetWidget.h"
#include "enable/ClockEnableSetWidget.h"
#include "enable/DFFSetWidget.h"
#include "enable/PortSetWidget.h"
#include "enable/RecordTableWidget.h"
#include "enable/ZELEnableSetWidget.h"
#include "rate/RateTableView.h"
#include "rate/RateWidget.h"
#include "rate/VcdFileWidget.h"
#include "rate/ZELRateWidget.h"

#include <QHash>
#include <QTabWidget>
#include <QTableView>

namespace Studio {

namespace {

// Element tags of the settings and section values to the form widgets that edit them.
const QHash<QString, QString> &controlNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("TempGrade"), QStringLiteral("comboGrade")},
        {QStringLiteral("Process"), QStringLiteral("comboProcess")},
        {QStringLiteral("JunctionTemp"), QStringLiteral("spinJunctionTemp")},
        {QStringLiteral("AmbientTemp"), QStringLiteral("spinAmbTemp")},
        {QStringLiteral("BoardTemp"), QStringLiteral("spinBoardTemp")},
        {QStringLiteral("AirFlow"), QStringLiteral("comboAirFlow")},
        {QStringLiteral("HeatSink"), QStringLiteral("groupHeat")},
        {QStringLiteral("BoardThermalModel"), QStringLiteral("groupBoard")},
        {QStringLiteral("CustomThetaJA"), QStringLiteral("lineEditJA")},
        {QStringLiteral("CustomThetaSA"), QStringLiteral("lineEditSA")},
        {QStringLiteral("CustomThetaJB"), QStringLiteral("lineEditJB")},
        {QStringLiteral("VCC"), QStringLiteral("doubleSpinVCC")},
        {QStringLiteral("VCCX"), QStringLiteral("doubleSpinVCCX")},
        {QStringLiteral("VCC_LDO"), QStringLiteral("doubleSpinVCCLDO")},
        {QStringLiteral("DefaultIoToggleRate"), QStringLiteral("editIOValue")},
        {QStringLiteral("DefaultIoSignalRate"), QStringLiteral("editIOValue")},
        {QStringLiteral("DefaultRmToggleRate"), QStringLiteral("editRemainValue")},
        {QStringLiteral("DefaultRmSignalRate"), QStringLiteral("editRemainValue")},
        {QStringLiteral("DefaultConfig"), QStringLiteral("editIOValue")},
        {QStringLiteral("FilterGlitch"), QStringLiteral("checkGlitch")},
    };
    return names;
}

} // namespace

ZEL::RecordTableWidget *ProblemLocator::tableOf(ZEL::ZELView *view, const QString &section)
{
    if (!view)
        return nullptr;
    ZEL::ZELRateWidget *rate = view->ratePage();
    ZEL::ZELEnableSetWidget *enable = view->enableSetPage();
    if (section == QLatin1String("NetRate"))
        return rate->rateWidget()->netTable();
    if (section == QLatin1String("SimuFile"))
        return rate->vcdFileWidget();
    if (section == QLatin1String("GlobalEnable"))
        return enable->clockEnableTable();
    if (section == QLatin1String("PortOutEnable"))
        return enable->portTable();
    if (section == QLatin1String("GlobalBsram"))
        return enable->bsramTable();
    if (section == QLatin1String("LocalEnable"))
        return enable->dffTable();
    return nullptr;
}

int ProblemLocator::pageOf(const QString &section)
{
    if (section == QLatin1String("NetRate") || section == QLatin1String("SimuFile") ||
        section == QLatin1String("DefaultConfig"))
        return RatePage;
    if (section == QLatin1String("GlobalEnable") || section == QLatin1String("PortOutEnable") ||
        section == QLatin1String("GlobalBsram") || section == QLatin1String("LocalEnable"))
        return ClockPage;
    return GeneralPage;
}

QWidget *ProblemLocator::controlOf(ZEL::ZELView *view, const QString &tag)
{
    const QString name = controlNames().value(tag);
    return view && !name.isEmpty() ? view->findChild<QWidget *>(name) : nullptr;
}

int ProblemLocator::rowOf(ZEL::RecordTableWidget *table, const VepCheck::Diagnostic &diagnostic)
{
    ZEL::TableModelBase *model = table ? table->recordModel() : nullptr;
    if (!model)
        return -1;
    if (!diagnostic.name.isEmpty())
        return model->rowOfName(diagnostic.name);
    return diagnostic.row < model->rowCount() ? diagnostic.row : -1;
}

bool ProblemLocator::show(ZEL::ZELView *view, const VepCheck::Diagnostic &diagnostic)
{
    if (!view)
        return false;
    view->tabWidget()->setCurrentIndex(pageOf(diagnostic.section));
    if (ZEL::RecordTableWidget *table = tableOf(view, diagnostic.section)) {
        if (table->showRow(rowOf(table, diagnostic))) {
            table->recordTable()->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    // A finding about a general setting is named after the setting's element.
    QWidget *control = controlOf(view, diagnostic.name);
    if (!control)
        control = controlOf(view, diagnostic.section);
    if (!control)
        return false;
    control->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace Studio
