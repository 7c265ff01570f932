#pragma once

// A table of nets (or top-level ports) with individual rates, in one unit for the
// whole table. The rate editor builds two of them from its form: the net table,
// filled from the host's net search, and the IO table, filled from the port finder.

#include "enable/RecordTableWidget.h"
#include "rate/NetRateItem.h"

namespace NlsData {
class Net;
}

namespace Utils {
class TableView;
}

namespace ZEL {

class DoubleEditorDelegate;
class RateModel;

class RateTableView : public RecordTableWidget {
    Q_OBJECT
public:
    enum Kind { NetKind = 0, PortKind = 1 };

    explicit RateTableView(QWidget *parent);
    ~RateTableView() override;

    void setView(ZELView *view);
    void setKind(int kind) { m_kind = kind; }
    int kind() const { return m_kind; }

    void setToggleUnit(bool toggle);
    bool toggleUnit() const;
    void clearValues();
    bool containsName(const QString &name) const;

    const QList<NetRateItem *> &items() const { return m_items; }
    // Takes over the records and drops the rows held so far.
    void replaceItems(const QList<NetRateItem *> &items);

    // What the net search's result goes through: picks already listed are skipped.
    // Returns the number of rows added.
    int addNets(const QList<NlsData::Net *> &nets);
    int addNames(const QStringList &names);

    Utils::TableView *tableView() const { return m_tableView; }
    RateModel *model() const { return m_model; }
    DoubleEditorDelegate *delegate() const { return m_delegate; }

public slots:
    void onShowContextMenu(const QPoint &point);
    void onRemove();
    void onNew();
    void modified();

private:
    Utils::TableView *m_tableView = nullptr;
    RateModel *m_model = nullptr;
    DoubleEditorDelegate *m_delegate = nullptr;
    QList<NetRateItem *> m_items;
    int m_kind = NetKind;
};

} // namespace ZEL
