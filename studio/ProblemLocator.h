#pragma once

// Where a diagnostic lives in a configuration view: the page that holds its section,
// the table and row (found by name, because the user may have sorted the table since
// the file was read) or the control of a general setting. "Go to the problem" and the
// fixes of the Problems panel both start here.

#include <QString>

class QWidget;

namespace VepCheck {
struct Diagnostic;
}

namespace ZEL {
class RecordTableWidget;
class ZELView;
} // namespace ZEL

namespace Studio {

class ProblemLocator {
public:
    enum Page { GeneralPage = 0, RatePage = 1, ClockPage = 2 };

    // The table that holds a file section's rows, or null for sections without rows.
    static ZEL::RecordTableWidget *tableOf(ZEL::ZELView *view, const QString &section);
    // The page of the view that shows a file section.
    static int pageOf(const QString &section);
    // The control that edits a setting or section value (element tag), or null.
    static QWidget *controlOf(ZEL::ZELView *view, const QString &tag);
    // The table row of the diagnostic's row: by name first, by the file-order index
    // only when it names nothing. -1 when the row is gone.
    static int rowOf(ZEL::RecordTableWidget *table, const VepCheck::Diagnostic &diagnostic);

    // Switches to the page, then selects and scrolls to the row or focuses the control.
    // False when the view no longer has what the diagnostic points at (the page is
    // shown all the same).
    static bool show(ZEL::ZELView *view, const VepCheck::Diagnostic &diagnostic);
};

} // namespace Studio
