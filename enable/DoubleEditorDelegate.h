#pragma once

// Numeric cell editor of every record table: a spin box with two decimals whose
// empty text means "unset". Column 0 (the name) keeps the default line edit.

#include <QStyledItemDelegate>

namespace ZEL {

class DoubleEditorDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    DoubleEditorDelegate(QObject *parent, double minimum, double maximum);

    void setMaximum(double maximum);
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

private:
    double m_minimum;
    double m_maximum;
};

} // namespace ZEL
