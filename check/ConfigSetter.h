#pragma once

// Scripted edits of a configuration's general settings and default rates, made through
// the editor's own controls as a user would make them: each value is set on its control
// and must then be held exactly, or the editor clamped, rounded or refused it.

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ZEL {
class ZELView;
}

namespace VepCheck {

class ConfigSetter {
public:
    using Assignments = QVector<QPair<QString, QString>>;

    // The keys `apply` knows, with what each sets, for --help.
    static QVector<QPair<QString, QString>> keys();

    // Applies the assignments to the view's controls; false with the reason at the first
    // one the editor does not take as asked (the view is then left partly edited).
    static bool apply(ZEL::ZELView &view, const Assignments &assignments, QString *error);
};

} // namespace VepCheck
