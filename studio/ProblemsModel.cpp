#include "studio/ProblemsModel.h"

#include <QApplication>
#include <QStyle>

namespace Studio {

ProblemsModel::ProblemsModel(QObject *parent) : QAbstractTableModel(parent)
{
    const QStyle *style = QApplication::style();
    m_icons[int(VepCheck::Severity::Error)] = style->standardIcon(QStyle::SP_MessageBoxCritical);
    m_icons[int(VepCheck::Severity::Warning)] = style->standardIcon(QStyle::SP_MessageBoxWarning);
    m_icons[int(VepCheck::Severity::Note)] = style->standardIcon(QStyle::SP_MessageBoxInformation);
}

void ProblemsModel::setDiagnostics(const QVector<VepCheck::Diagnostic> &diagnostics)
{
    beginResetModel();
    m_diagnostics = diagnostics;
    endResetModel();
}

const VepCheck::Diagnostic *ProblemsModel::diagnostic(int row) const
{
    return row >= 0 && row < m_diagnostics.size() ? &m_diagnostics.at(row) : nullptr;
}

int ProblemsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_diagnostics.size();
}

int ProblemsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : CheckColumn + 1;
}

QVariant ProblemsModel::data(const QModelIndex &index, int role) const
{
    const VepCheck::Diagnostic *d = index.isValid() ? diagnostic(index.row()) : nullptr;
    if (!d)
        return {};
    if (role == SortRole)
        return index.column() == SeverityColumn ? QVariant(int(d->severity))
                                                : data(index, Qt::DisplayRole);
    switch (index.column()) {
    case SeverityColumn:
        if (role == Qt::DecorationRole)
            return m_icons[int(d->severity)];
        if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
            return VepCheck::severityName(d->severity);
        return {};
    case MessageColumn:
        if (role == Qt::DisplayRole)
            return shownMessage(*d);
        if (role == Qt::ToolTipRole)
            return d->suggestion.isEmpty()
                       ? shownMessage(*d)
                       : tr("%1\nSuggestion: %2").arg(shownMessage(*d), d->suggestion);
        return {};
    case SectionColumn:
        return role == Qt::DisplayRole ? d->section : QVariant();
    case NameColumn:
        return role == Qt::DisplayRole || role == Qt::ToolTipRole ? d->name : QVariant();
    case CheckColumn:
        return role == Qt::DisplayRole ? d->check : QVariant();
    default:
        return {};
    }
}

QString ProblemsModel::shownMessage(const VepCheck::Diagnostic &diagnostic)
{
    // A scope is not something a row can be told: the file has no field for it. What the
    // user can change is the row's instance or where the testbench writes its dump.
    if (diagnostic.check == QLatin1String("activity-scope") && !diagnostic.suggestion.isEmpty())
        return tr("%1. Use scope %2: the file has no scope setting, so change the row's "
                  "instance (double-click it in the activity file list) to the one that scope "
                  "holds, or write the dump with the design instance at its top.")
            .arg(diagnostic.message, diagnostic.suggestion);
    return diagnostic.message;
}

QVariant ProblemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case SeverityColumn:
        return tr("Severity");
    case MessageColumn:
        return tr("Message");
    case SectionColumn:
        return tr("Section");
    case NameColumn:
        return tr("Name");
    case CheckColumn:
        return tr("Check");
    default:
        return {};
    }
}

} // namespace Studio
