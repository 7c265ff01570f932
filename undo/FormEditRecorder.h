#pragma once

// Turns the user's edits of a form into steps of the view's history. Each edit runs
// through edit(): the states of the watched controls are compared before and after
// the form's own handling of it, rules and resets included, and what changed
// becomes one step named after the control the user touched. Edits nested inside
// another (a rule that resets a combo box) belong to the outer one.

#include "undo/ControlState.h"

#include <QObject>
#include <QString>
#include <vector>

class QWidget;

namespace ZEL {

class ZELView;

class FormEditRecorder : public QObject {
public:
    FormEditRecorder(ZELView *view, QObject *parent);

    void watch(const QList<QWidget *> &controls);
    // The spin boxes, combo boxes, buttons and group boxes inside `form`.
    void watchChildren(QWidget *form);

    // Runs the form's handling of an edit of `lead` and records what it changed.
    template <class Handler> void edit(const QObject *lead, const QString &name, Handler handler)
    {
        begin(lead, name);
        handler();
        end();
    }

    // Makes `handler` the form's handling of every emission of `signal`, recorded as
    // an edit of `control` named `name`.
    template <class Control, class Signal, class Handler>
    void connectEdit(Control *control, Signal signal, const QString &name, Handler handler)
    {
        connect(control, signal, this,
                [this, control, name, handler]() { edit(control, name, handler); });
    }

    // Takes the current states as the settled ones, after changes that are no step.
    void resync();

private:
    void begin(const QObject *lead, const QString &name);
    void end();

    ZELView *m_view = nullptr;
    // The states after the last edit, undo or redo. Values change only with their
    // signals, so these are the values before the next edit; enabled states and
    // ranges may change silently (device rules) and are read afresh instead.
    std::vector<ControlState> m_settled;
    std::vector<ControlState> m_before;
    const QObject *m_lead = nullptr;
    QString m_name;
    int m_depth = 0;
};

} // namespace ZEL
