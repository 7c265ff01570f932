#include "rate/RateUnitCommand.h"

#include "rate/RateModel.h"
#include "rate/RateTableView.h"

#include <QAbstractButton>

namespace ZEL {

RateUnitCommand::RateUnitCommand(RateTableView *table, QAbstractButton *toggleButton,
                                 QAbstractButton *signalButton, const QString &text)
    : EditCommand(text), m_table(table), m_toggleButton(toggleButton), m_signalButton(signalButton),
      m_oldToggle(table->toggleUnit()), m_newToggle(m_oldToggle)
{
    for (NetRateItem *item : table->items()) {
        if (!item->value.isEmpty())
            m_clearedRates.append({item, item->value});
    }
}

void RateUnitCommand::revert()
{
    m_table->setToggleUnit(m_oldToggle);
    for (const auto &rate : qAsConst(m_clearedRates))
        rate.first->value = rate.second;
    m_table->model()->reset();
    showUnit(m_oldToggle);
}

void RateUnitCommand::reapply()
{
    m_table->setToggleUnit(m_newToggle);
    for (const auto &rate : qAsConst(m_clearedRates))
        rate.first->value.clear();
    m_table->model()->reset();
    showUnit(m_newToggle);
}

// Checked from code, so the unit-change slot (bound to clicks) does not run.
void RateUnitCommand::showUnit(bool toggle)
{
    (toggle ? m_toggleButton : m_signalButton)->setChecked(true);
}

} // namespace ZEL
