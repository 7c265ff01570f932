#pragma once

// The "Rate Setting" page: the net rate editor on the left and the activity file
// pane on the right, side by side in a splitter. The page only forwards reading,
// writing and the pre-save check to the two panes, in that order.

#include "rate/RateWidget.h"
#include "rate/VcdFileWidget.h"

#include <QWidget>

class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

class ZELView;

class ZELRateWidget : public QWidget {
    Q_OBJECT
public:
    explicit ZELRateWidget(ZELView *view, QWidget *parent = nullptr);
    ~ZELRateWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    // What writeConfig writes, copied so that another thread can write it by write().
    struct Contents {
        RateWidget::Contents rates;
        VcdFileWidget::Contents files;
    };
    Contents contents() const;
    static void write(QXmlStreamWriter &writer, const Contents &contents);
    bool checkConfig();

    RateWidget *rateWidget() const { return m_rateWidget; }
    VcdFileWidget *vcdFileWidget() const { return m_vcdFileWidget; }

private:
    RateWidget *m_rateWidget = nullptr;
    VcdFileWidget *m_vcdFileWidget = nullptr;
};

} // namespace ZEL
