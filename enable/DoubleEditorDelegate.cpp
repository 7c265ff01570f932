#include "enable/DoubleEditorDelegate.h"

#include <QDoubleSpinBox>
#include <QLocale>

namespace ZEL {

DoubleEditorDelegate::DoubleEditorDelegate(QObject *parent, double minimum, double maximum)
    : QStyledItemDelegate(parent), m_minimum(minimum), m_maximum(maximum)
{}

void DoubleEditorDelegate::setMaximum(double maximum)
{
    m_maximum = maximum;
}

QWidget *DoubleEditorDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    if (index.column() == 0)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *spin = new QDoubleSpinBox(parent);
    // Values travel to the model as the editor's text, so the text must use a point
    // as decimal separator whatever the user's locale is.
    spin->setLocale(QLocale::c());
    spin->setDecimals(2);
    spin->setMinimum(m_minimum);
    spin->setMaximum(m_maximum);
    return spin;
}

void DoubleEditorDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (index.column() == 0) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    static_cast<QDoubleSpinBox *>(editor)->setValue(index.data(Qt::EditRole).toDouble());
}

void DoubleEditorDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                        const QModelIndex &index) const
{
    if (index.column() == 0) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    auto *spin = static_cast<QDoubleSpinBox *>(editor);
    // An emptied editor means "unset"; interpreting it first would bring the old value
    // back. A non-empty text is interpreted so that it reaches the model formatted
    // with two decimals ("12.5" typed is stored as "12.50").
    if (spin->text().isEmpty()) {
        model->setData(index, -1, Qt::EditRole);
        return;
    }
    spin->interpretText();
    model->setData(index, spin->text(), Qt::EditRole);
}

} // namespace ZEL
