#pragma once

// What the edit history keeps of one form control: its value (a spin box's value,
// a combo box's index, a button's check mark), its range (spin boxes) and whether
// it was disabled itself, apart from any disabled parent.

class QWidget;

namespace ZEL {

struct ControlState {
    QWidget *control = nullptr;
    double value = 0;
    double minimum = 0;
    double maximum = 0;
    bool enabled = true;

    static ControlState capture(QWidget *control);
    // Gives the control this state back without emitting its signals, so that no
    // rule of the form runs and no new step is recorded.
    void restore() const;
    bool operator==(const ControlState &other) const;
    bool operator!=(const ControlState &other) const { return !(*this == other); }
};

} // namespace ZEL
