#pragma once

// The port output table ("IO" group of the Clock Setting page): output enable and
// load capacitance per top-level output or inout port picked in the netlist
// finder. File section: PortOutEnable, written only when the table has rows.

#include "enable/PortRecord.h"
#include "enable/RecordTableWidget.h"
#include <QVector>

class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

namespace Ui {
class PortSetWidget;
}

class DoubleEditorDelegate;
class PortModel;

class PortSetWidget : public RecordTableWidget {
    Q_OBJECT
public:
    explicit PortSetWidget(ZELView *view, QWidget *parent = nullptr);
    ~PortSetWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    // What writeConfig writes, copied so that another thread can write it by write().
    struct Contents {
        QVector<PortRecord> rows;
    };
    Contents contents() const;
    static void write(QXmlStreamWriter &writer, const Contents &contents);

private slots:
    void onShowContextMenu();
    void onRemove();
    void onAdd();
    // Kept for the common table shape; this table has no global values to report.
    void modified();

private:
    Ui::PortSetWidget *m_ui = nullptr;
    QList<PortRecord *> m_rows;
    PortModel *m_model = nullptr;
    DoubleEditorDelegate *m_delegate = nullptr;
};

} // namespace ZEL
