#include "studio/ProblemFixer.h"

#include "studio/ProblemLocator.h"

#include "document/ZELView.h"
#include "enable/RecordTableWidget.h"

#include <QHash>
#include <QSet>
#include <QUndoStack>

namespace Studio {

namespace {

const QString StaleName = QStringLiteral("stale-name");

// The stale rows of each table that holds some, in the order their sections first
// appear among the diagnostics, so that a run over many tables is predictable.
template <class Value, class Add>
QVector<QPair<ZEL::RecordTableWidget *, Value>>
groupByTable(ZEL::ZELView *view, const QVector<VepCheck::Diagnostic> &diagnostics,
             bool (*wanted)(const VepCheck::Diagnostic &), Add add)
{
    QVector<QPair<ZEL::RecordTableWidget *, Value>> groups;
    QHash<ZEL::RecordTableWidget *, int> groupOf;
    for (const VepCheck::Diagnostic &diagnostic : diagnostics) {
        if (!wanted(diagnostic))
            continue;
        ZEL::RecordTableWidget *table = ProblemLocator::tableOf(view, diagnostic.section);
        if (!table || !table->recordModel())
            continue;
        auto found = groupOf.constFind(table);
        if (found == groupOf.constEnd()) {
            found = groupOf.insert(table, groups.size());
            groups.append({table, Value()});
        }
        add(groups[found.value()].second, diagnostic);
    }
    return groups;
}

// Runs `fix` as one step of the view's history; a fix that changed nothing leaves no
// step to undo.
template <class Fix>
ProblemFixer::Outcome asOneStep(ZEL::ZELView *view, const QString &text, Fix fix)
{
    QUndoStack *history = view->undoStack();
    history->beginMacro(text);
    const ProblemFixer::Outcome outcome = fix();
    history->endMacro();
    if (outcome.changed == 0)
        history->undo();
    return outcome;
}

} // namespace

bool ProblemFixer::isStaleName(const VepCheck::Diagnostic &diagnostic)
{
    return diagnostic.check == StaleName && !diagnostic.name.isEmpty() &&
           diagnostic.section != QLatin1String("SimuFile");
}

bool ProblemFixer::hasSuggestion(const VepCheck::Diagnostic &diagnostic)
{
    return isStaleName(diagnostic) && !diagnostic.suggestion.isEmpty() &&
           diagnostic.suggestion != diagnostic.name;
}

ProblemFixer::Outcome
ProblemFixer::applySuggestions(ZEL::ZELView *view, const QVector<VepCheck::Diagnostic> &diagnostics)
{
    using Renames = QHash<QString, QString>;
    const auto groups = groupByTable<Renames>(view, diagnostics, &ProblemFixer::hasSuggestion,
                                              [](Renames &renames, const VepCheck::Diagnostic &d) {
                                                  renames.insert(d.name, d.suggestion);
                                              });
    if (groups.isEmpty())
        return {};
    const QString text = diagnostics.size() == 1 ? QObject::tr("Replace with Suggestion")
                                                 : QObject::tr("Apply All Suggestions");
    return asOneStep(view, text, [&groups]() {
        Outcome outcome;
        for (const auto &group : groups) {
            QStringList skipped;
            outcome.changed += group.first->recordModel()->renameRecords(group.second, &skipped);
            outcome.skipped += skipped.size();
        }
        return outcome;
    });
}

ProblemFixer::Outcome
ProblemFixer::removeStaleRows(ZEL::ZELView *view, const QVector<VepCheck::Diagnostic> &diagnostics)
{
    using Names = QSet<QString>;
    const auto groups = groupByTable<Names>(
        view, diagnostics, &ProblemFixer::isStaleName,
        [](Names &names, const VepCheck::Diagnostic &d) { names.insert(d.name); });
    if (groups.isEmpty() || !groups.first().first->confirmRemoval())
        return {};
    return asOneStep(view, QObject::tr("Remove Rows Not in the Netlist"), [&groups]() {
        Outcome outcome;
        for (const auto &group : groups)
            outcome.changed += group.first->recordModel()->removeRecordsNamed(group.second);
        return outcome;
    });
}

} // namespace Studio
