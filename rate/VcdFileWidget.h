#pragma once

// The activity file pane of the rate page: the default rates for IO inputs and for
// the remaining signals, the list of simulation activity files (VCD or SAIF) with
// the glitch option, and the sections DefaultConfig and SimuFile that hold them.

#include "enable/RecordTableWidget.h"
#include "rate/VcdFileItem.h"

#include <QVector>

class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

namespace Ui {
class VcdFileTableView;
}

class FormEditRecorder;
class VcdFileModel;

class VcdFileWidget : public RecordTableWidget {
    Q_OBJECT
public:
    explicit VcdFileWidget(ZELView *view, QWidget *parent = nullptr);
    ~VcdFileWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    // What writeConfig writes, copied so that another thread can write it by write().
    struct Contents {
        QString ioRateTag;
        QString ioRate;
        QString remainRateTag;
        QString remainRate;
        QString top; // the netlist's top module, written as an empty entity
        bool filterGlitch = false;
        QVector<VcdFileItem> items;
    };
    Contents contents() const;
    static void write(QXmlStreamWriter &writer, const Contents &contents);
    bool checkConfig();

    const QList<VcdFileItem *> &items() const { return m_items; }
    VcdFileModel *model() const { return m_model; }

signals:
    void vectorlessChanged(bool enabled);

private slots:
    void onShowContextMenu(const QPoint &point);
    void onRemove();
    void onNew();
    void onEditData(const QModelIndex &index);
    void onGlitchChanged();
    void modified();
    void onRemainUnitChanged();
    void onIOUnitChanged();

private:
    Contents globals() const;
    Ui::VcdFileTableView *m_form = nullptr;
    VcdFileModel *m_model = nullptr;
    QList<VcdFileItem *> m_items;
    FormEditRecorder *m_history = nullptr;
};

} // namespace ZEL
