#pragma once

// The flip-flop enable table ("DFF" group of the Clock Setting page): a local
// enable value per flip-flop instance picked in the netlist finder. File section:
// LocalEnable, written only when the table has rows.

#include "enable/DffRecord.h"
#include "enable/RecordTableWidget.h"

class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

namespace Ui {
class DFFSetWidget;
}

class DffModel;
class DoubleEditorDelegate;

class DFFSetWidget : public RecordTableWidget {
    Q_OBJECT
public:
    explicit DFFSetWidget(ZELView *view, QWidget *parent = nullptr);
    ~DFFSetWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);

private slots:
    void onShowContextMenu();
    void onRemove();
    void onAdd();
    // Kept for the common table shape; this table has no global values to report.
    void modified();

private:
    Ui::DFFSetWidget *m_ui = nullptr;
    QList<DffRecord *> m_rows;
    DffModel *m_model = nullptr;
    DoubleEditorDelegate *m_delegate = nullptr;
};

} // namespace ZEL
