#pragma once

// The flip-flop enable table ("DFF" group of the Clock Setting page): a local
// enable value per flip-flop instance picked in the netlist finder. File section:
// LocalEnable, written only when the table has rows.

#include "enable/DffRecord.h"
#include "enable/RecordTableWidget.h"
#include <QVector>

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
    // What writeConfig writes, copied so that another thread can write it by write().
    struct Contents {
        QVector<DffRecord> rows;
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
    Ui::DFFSetWidget *m_ui = nullptr;
    QList<DffRecord *> m_rows;
    DffModel *m_model = nullptr;
    DoubleEditorDelegate *m_delegate = nullptr;
};

} // namespace ZEL
