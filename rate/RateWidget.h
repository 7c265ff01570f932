#pragma once

// The net rate editor, left pane of the rate page: rates of single nets that
// override the default rates, in one unit for the whole table (section NetRate),
// and a hidden, disabled IO group with rates of top-level ports that is never stored.

#include "rate/NetRateItem.h"

#include <QVector>
#include <QWidget>

class QAbstractButton;
class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

namespace Ui {
class NetRateEditor;
}

class RateTableView;
class ZELView;

class RateWidget : public QWidget {
    Q_OBJECT
public:
    explicit RateWidget(ZELView *view, QWidget *parent = nullptr);
    ~RateWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    // What writeConfig writes, copied so that another thread can write it by write().
    struct Contents {
        bool toggle = false;
        QVector<NetRateItem> items;
    };
    Contents contents() const;
    static void write(QXmlStreamWriter &writer, const Contents &contents);
    bool checkConfig();

    RateTableView *netTable() const;
    RateTableView *portTable() const;

public slots:
    void onVectorlessChanged(bool enabled);

private slots:
    void onNetRateUnitChanged();
    void onIORateUnitChanged();

private:
    // The one unit-change procedure of both tables, each with its own pair of buttons.
    void changeUnit(RateTableView *table, QAbstractButton *toggleButton,
                    QAbstractButton *signalButton, const QString &stepText);

    Ui::NetRateEditor *m_form = nullptr;
    ZELView *m_view = nullptr;
};

} // namespace ZEL
