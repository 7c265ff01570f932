#pragma once

// The clock enable table ("Clock" group of the Clock Setting page): a global
// enable value for the design and, per clock named by the user, an enable value
// for the clock and one per quadrant. Rows are added empty and named by typing.
// File section: GlobalEnable.

#include "enable/ClkEnableRecord.h"
#include "enable/RecordTableWidget.h"
#include <QVector>

class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

namespace Ui {
class ClockEnableSetWidget;
}

class ClkEnableModel;
class DoubleEditorDelegate;

class ClockEnableSetWidget : public RecordTableWidget {
    Q_OBJECT
public:
    explicit ClockEnableSetWidget(ZELView *view, QWidget *parent = nullptr);
    ~ClockEnableSetWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    // What writeConfig writes, copied so that another thread can write it by write().
    struct Contents {
        double value = 0;
        QVector<ClkEnableRecord> rows;
    };
    Contents contents() const;
    static void write(QXmlStreamWriter &writer, const Contents &contents);

private slots:
    void onShowContextMenu(const QPoint &pos);
    void onRemove();
    void onAdd();
    void modified();

private:
    Ui::ClockEnableSetWidget *m_ui = nullptr;
    QList<ClkEnableRecord *> m_rows;
    ClkEnableModel *m_model = nullptr;
    DoubleEditorDelegate *m_delegate = nullptr;
};

} // namespace ZEL
