#include "undo/ControlState.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSignalBlocker>

namespace ZEL {

ControlState ControlState::capture(QWidget *control)
{
    ControlState state;
    state.control = control;
    state.enabled = !control->testAttribute(Qt::WA_ForceDisabled);
    if (auto *spin = qobject_cast<QDoubleSpinBox *>(control)) {
        state.value = spin->value();
        state.minimum = spin->minimum();
        state.maximum = spin->maximum();
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        state.value = combo->currentIndex();
    } else if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        state.value = button->isChecked() ? 1 : 0;
    }
    return state;
}

void ControlState::restore() const
{
    const QSignalBlocker blocker(control);
    if (auto *spin = qobject_cast<QDoubleSpinBox *>(control)) {
        // The range first: a value outside the current range would be clamped.
        spin->setRange(minimum, maximum);
        spin->setValue(value);
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        combo->setCurrentIndex(int(value));
    } else if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        const QSignalBlocker groupBlocker(button->group());
        // Unchecking the checked button of an exclusive group is refused; checking
        // its successor unchecks it, so the order of the restored buttons is free.
        button->setChecked(value != 0);
    }
    control->setEnabled(enabled);
}

bool ControlState::operator==(const ControlState &other) const
{
    return control == other.control && value == other.value && minimum == other.minimum &&
           maximum == other.maximum && enabled == other.enabled;
}

} // namespace ZEL
