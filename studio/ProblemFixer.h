#pragma once

// The fixes the Problems panel offers for what a re-synthesis leaves behind: rows that
// name nets, instances or ports the new netlist no longer has. Each fix is an edit of
// the open view through its tables' own bulk operations (the duplicate rule, the
// modified mark and the row order hold as for any edit) and one step of the view's
// history, undone like any edit; nothing is written to disk until the user saves.

#include "check/Diagnostic.h"

#include <QVector>

namespace ZEL {
class ZELView;
}

namespace Studio {

class ProblemFixer {
public:
    struct Outcome {
        int changed = 0; // rows renamed or removed
        int skipped = 0; // renames refused because the table already has the new name
    };

    static bool isStaleName(const VepCheck::Diagnostic &diagnostic);
    // A stale name with a suggestion, in a table whose rows can be renamed.
    static bool hasSuggestion(const VepCheck::Diagnostic &diagnostic);

    // Renames the row of every diagnostic with a suggestion to the suggested name.
    static Outcome applySuggestions(ZEL::ZELView *view,
                                    const QVector<VepCheck::Diagnostic> &diagnostics);
    // Removes every row that a stale-name diagnostic names, once the user confirmed with
    // the tables' usual "Sure to remove?".
    static Outcome removeStaleRows(ZEL::ZELView *view,
                                   const QVector<VepCheck::Diagnostic> &diagnostics);
};

} // namespace Studio
