#pragma once

// The "Clock Setting" page of the configuration view: the clock enable and
// block-RAM tables in the left pane, the port output and flip-flop tables in the
// right one. The page only composes the tables and hands each its file section,
// in a fixed order.

#include "enable/BsramSetWidget.h"
#include "enable/ClockEnableSetWidget.h"
#include "enable/DFFSetWidget.h"
#include "enable/PortSetWidget.h"

#include <QWidget>

class QDomElement;
class QSplitter;
class QXmlStreamWriter;

namespace ZEL {

class ZELView;

class ZELEnableSetWidget : public QWidget {
    Q_OBJECT
public:
    explicit ZELEnableSetWidget(ZELView *view, QWidget *parent = nullptr);
    ~ZELEnableSetWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    // What writeConfig writes, copied so that another thread can write it by write().
    struct Contents {
        ClockEnableSetWidget::Contents clocks;
        PortSetWidget::Contents ports;
        BsramSetWidget::Contents bsrams;
        DFFSetWidget::Contents instances;
    };
    Contents contents() const;
    static void write(QXmlStreamWriter &writer, const Contents &contents);

    ClockEnableSetWidget *clockEnableTable() const { return m_clockEnable; }
    BsramSetWidget *bsramTable() const { return m_bsram; }
    PortSetWidget *portTable() const { return m_port; }
    DFFSetWidget *dffTable() const { return m_dff; }
    QSplitter *splitter() const { return m_splitter; }

private:
    BsramSetWidget *m_bsram = nullptr;
    PortSetWidget *m_port = nullptr;
    ClockEnableSetWidget *m_clockEnable = nullptr;
    DFFSetWidget *m_dff = nullptr;
    QSplitter *m_splitter = nullptr;
};

} // namespace ZEL
