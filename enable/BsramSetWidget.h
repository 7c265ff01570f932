#pragma once

// The block-RAM activity table ("B-SRAM" group of the Clock Setting page): global
// clock enable, read and write probabilities for block RAMs and, per block-RAM
// instance picked in the netlist finder, the values of its ports A and B as its
// kind allows. File section: GlobalBsram.

#include "enable/BSRamRecord.h"
#include "enable/RecordTableWidget.h"
#include <QVector>

class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

namespace Ui {
class BsramSetWidget;
}

class BSRamModel;
class DoubleEditorDelegate;

class BsramSetWidget : public RecordTableWidget {
    Q_OBJECT
public:
    explicit BsramSetWidget(ZELView *view, QWidget *parent = nullptr);
    ~BsramSetWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    // What writeConfig writes, copied so that another thread can write it by write().
    struct Contents {
        double clockEnable = 0;
        double readProbability = 0;
        double writeProbability = 0;
        QVector<BSRamRecord> rows;
    };
    Contents contents() const;
    static void write(QXmlStreamWriter &writer, const Contents &contents);

private slots:
    void onShowContextMenu(const QPoint &pos);
    void onRemove();
    void onAdd();
    void modified();

private:
    Contents globals() const;
    Ui::BsramSetWidget *m_ui = nullptr;
    QList<BSRamRecord *> m_rows;
    BSRamModel *m_model = nullptr;
    DoubleEditorDelegate *m_delegate = nullptr;
};

} // namespace ZEL
