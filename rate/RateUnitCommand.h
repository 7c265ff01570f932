#pragma once

// A confirmed unit change of a filled rate table as one step of the view's history:
// the units before and after, the radio buttons that show the unit, and the rates
// the change cleared, which undo gives back to their rows.

#include "undo/EditCommand.h"

#include <QPair>
#include <QString>
#include <QVector>

class QAbstractButton;

namespace ZEL {

struct NetRateItem;
class RateTableView;

class RateUnitCommand : public EditCommand {
public:
    // Takes the table's unit and rates as they are before the change.
    RateUnitCommand(RateTableView *table, QAbstractButton *toggleButton,
                    QAbstractButton *signalButton, const QString &text);

    // The unit in force once the change has been made.
    void setNewUnit(bool toggle) { m_newToggle = toggle; }

protected:
    void revert() override;
    void reapply() override;

private:
    void showUnit(bool toggle);

    RateTableView *m_table;
    QAbstractButton *m_toggleButton;
    QAbstractButton *m_signalButton;
    bool m_oldToggle;
    bool m_newToggle;
    // Only the rows that had a rate: the change empties every row.
    QVector<QPair<NetRateItem *, QString>> m_clearedRates;
};

} // namespace ZEL
