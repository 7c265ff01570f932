#include "check/ConfigSetter.h"

#include "document/ZELView.h"
#include "general/ZELSettingWidget.h"
#include "rate/VcdFileWidget.h"
#include "rate/ZELRateWidget.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QRadioButton>

#include <cmath>

namespace VepCheck {

namespace {

enum class Control { Combo, Spin, Radio };

struct Key {
    const char *key;
    const char *help;
    Control control;
    const char *widget;  // object name on its page; for Radio, the prefix of the buttons
    const char *enabler; // a check box or radio button a user selects first, or null
    bool ratePage;
};

// Units first and the grade before the temperatures: a unit change resets a rate that the
// new unit cannot hold, and the grade sets the junction temperature's range.
const Key kKeys[] = {
    {"grade", "temperature grade (Commercial, Industrial, ...)", Control::Combo, "comboGrade",
     nullptr, false},
    {"process", "process corner (Typical, Worst, ...)", Control::Combo, "comboProcess", nullptr,
     false},
    {"heat-sink", "heat sink (None, Low Profile, Medium Profile, High Profile, Custom)",
     Control::Radio, "radioHeat", nullptr, false},
    {"board-model", "board thermal model (None, Typical, Custom)", Control::Radio, "radioBoard",
     nullptr, false},
    {"io-unit", "unit of the default IO rate: % or transitions/s", Control::Combo, "comboIOUnit",
     nullptr, true},
    {"rm-unit", "unit of the default rate of the remaining signals", Control::Combo,
     "comboRemainUnit", nullptr, true},
    {"junction", "junction temperature (selects it instead of the ambient one)", Control::Spin,
     "spinJunctionTemp", "checkBoxJunctionTemp", false},
    {"ambient", "ambient temperature (unselects the junction temperature)", Control::Spin,
     "spinAmbTemp", nullptr, false},
    {"board", "board temperature", Control::Spin, "spinBoardTemp", nullptr, false},
    {"theta-ja", "custom junction-to-ambient theta (selects it)", Control::Spin, "lineEditJA",
     "checkJA", false},
    {"theta-sa", "custom sink-to-ambient theta (selects the custom heat sink)", Control::Spin,
     "lineEditSA", "radioHeatCumstom", false},
    {"theta-jb", "custom junction-to-board theta (selects the custom board model)", Control::Spin,
     "lineEditJB", "radioBoardCustom", false},
    {"air-flow", "air flow in LFM", Control::Combo, "comboAirFlow", nullptr, false},
    {"vcc", "VCC supply voltage", Control::Spin, "doubleSpinVCC", nullptr, false},
    {"vccx", "VCCX supply voltage", Control::Spin, "doubleSpinVCCX", nullptr, false},
    {"vccldo", "VCC_LDO supply voltage", Control::Spin, "doubleSpinVCCLDO", nullptr, false},
    {"io-rate", "default rate of IO input signals", Control::Spin, "editIOValue", nullptr, true},
    {"rm-rate", "default rate of the remaining signals", Control::Spin, "editRemainValue", nullptr,
     true},
};

QWidget *pageOf(ZEL::ZELView &view, const Key &key)
{
    if (key.ratePage)
        return view.ratePage()->vcdFileWidget();
    return view.generalPage();
}

// As a click: the editor follows clicks and toggles of these buttons.
void select(QAbstractButton *button, bool on)
{
    if (button && button->isChecked() != on && button->isEnabled())
        button->click();
}

QString choices(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items.join(QStringLiteral(", "));
}

bool applyOne(ZEL::ZELView &view, const Key &key, const QString &value, QString *error)
{
    QWidget *page = pageOf(view, key);
    const QString name = QLatin1String(key.key);
    if (key.enabler)
        select(page->findChild<QAbstractButton *>(QLatin1String(key.enabler)), true);
    if (name == QLatin1String("ambient"))
        select(page->findChild<QCheckBox *>(QStringLiteral("checkBoxJunctionTemp")), false);

    switch (key.control) {
    case Control::Combo: {
        auto *combo = page->findChild<QComboBox *>(QLatin1String(key.widget));
        QString wanted = value;
        if (name.endsWith(QLatin1String("-unit")))
            wanted = value == QLatin1String("toggle")   ? QStringLiteral("%")
                     : value == QLatin1String("signal") ? QStringLiteral("transitions/s")
                                                        : value;
        const int index = combo->findText(wanted, Qt::MatchFixedString);
        if (index < 0) {
            *error = QStringLiteral("%1=%2: not a choice of the editor (%3)")
                         .arg(name, value, choices(combo));
            return false;
        }
        if (!combo->isEnabled()) {
            *error = QStringLiteral("%1: the editor does not let it be changed with the other "
                                    "settings as they are")
                         .arg(name);
            return false;
        }
        combo->setCurrentIndex(index);
        return true;
    }
    case Control::Radio: {
        for (QRadioButton *button : page->findChildren<QRadioButton *>()) {
            if (!button->objectName().startsWith(QLatin1String(key.widget)) ||
                button->text().compare(value, Qt::CaseInsensitive) != 0)
                continue;
            if (!button->isEnabled()) {
                *error = QStringLiteral("%1=%2: the editor does not offer it with the other "
                                        "settings as they are")
                             .arg(name, value);
                return false;
            }
            select(button, true);
            return true;
        }
        QStringList texts;
        for (QRadioButton *button : page->findChildren<QRadioButton *>()) {
            if (button->objectName().startsWith(QLatin1String(key.widget)))
                texts << button->text();
        }
        *error = QStringLiteral("%1=%2: not a choice of the editor (%3)")
                     .arg(name, value, texts.join(QStringLiteral(", ")));
        return false;
    }
    case Control::Spin: {
        auto *spin = page->findChild<QDoubleSpinBox *>(QLatin1String(key.widget));
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok || !std::isfinite(number)) {
            *error = QStringLiteral("%1=%2: not a number").arg(name, value);
            return false;
        }
        if (spin->isHidden() || !spin->isEnabled()) {
            *error = QStringLiteral("%1: the editor does not let it be changed %2")
                         .arg(name, spin->isHidden()
                                        ? QStringLiteral("on this device")
                                        : QStringLiteral("with the other settings as they are"));
            return false;
        }
        spin->setValue(number);
        // Held exactly, or the editor clamped it to its range or rounded it to its decimals.
        if (std::abs(spin->value() - number) > 1e-9 * std::max(1.0, std::abs(number))) {
            *error =
                QStringLiteral("%1=%2: the editor would hold %3 (range %4 to %5, %6 "
                               "decimals)")
                    .arg(name, value, spin->textFromValue(spin->value()),
                         spin->textFromValue(spin->minimum()), spin->textFromValue(spin->maximum()))
                    .arg(spin->decimals());
            return false;
        }
        return true;
    }
    }
    return false;
}

} // namespace

QVector<QPair<QString, QString>> ConfigSetter::keys()
{
    QVector<QPair<QString, QString>> list;
    for (const Key &key : kKeys)
        list.append({QLatin1String(key.key), QLatin1String(key.help)});
    return list;
}

bool ConfigSetter::apply(ZEL::ZELView &view, const Assignments &assignments, QString *error)
{
    for (const auto &assignment : assignments) {
        bool known = false;
        for (const Key &key : kKeys)
            known = known || assignment.first == QLatin1String(key.key);
        if (!known) {
            *error = QStringLiteral("unknown key '%1'").arg(assignment.first);
            return false;
        }
    }
    for (const Key &key : kKeys) {
        for (const auto &assignment : assignments) {
            if (assignment.first == QLatin1String(key.key) &&
                !applyOne(view, key, assignment.second, error))
                return false;
        }
    }
    return true;
}

} // namespace VepCheck
