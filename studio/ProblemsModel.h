#pragma once

// The rows of the Problems panel: the diagnostics of the current configuration file,
// one per row, with a severity icon, the message, the section and name concerned and
// the check that found it. Read-only; the panel sorts and filters through a proxy.

#include "check/Diagnostic.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QVector>

namespace Studio {

class ProblemsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { SeverityColumn, MessageColumn, SectionColumn, NameColumn, CheckColumn };
    // What the panel's proxy sorts and filters on: the severity as a number (0 error,
    // 1 warning, 2 note) in the severity column, the shown text in the others.
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit ProblemsModel(QObject *parent = nullptr);

    void setDiagnostics(const QVector<VepCheck::Diagnostic> &diagnostics);
    const QVector<VepCheck::Diagnostic> &diagnostics() const { return m_diagnostics; }
    const VepCheck::Diagnostic *diagnostic(int row) const;
    // The message as the panel shows it, with advice where a suggestion is not a fix.
    static QString shownMessage(const VepCheck::Diagnostic &diagnostic);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVector<VepCheck::Diagnostic> m_diagnostics;
    QIcon m_icons[3];
};

} // namespace Studio
