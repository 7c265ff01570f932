#include "rate/RateTableView.h"

#include "document/ZELView.h"
#include "enable/DoubleEditorDelegate.h"
#include "host/nlsdata.h"
#include "host/utils.h"
#include "pickers/NlsDataFinderDialog.h"
#include "rate/RateModel.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>

namespace ZEL {

namespace {

constexpr double ToggleMaximum = 200.0;
constexpr double SignalMaximum = 99999999.0;

} // namespace

RateTableView::RateTableView(QWidget *parent) : RecordTableWidget(nullptr, parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tableView = new Utils::TableView(this);
    layout->addWidget(m_tableView);
    m_tableView->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::EditKeyPressed);

    m_model = new RateModel(&m_items, nullptr, this);
    m_delegate = new DoubleEditorDelegate(this, 0.0, 100.0);
    m_delegate->setMaximum(ToggleMaximum);
    setupTable(m_tableView, m_model, m_delegate, {500});

    connect(m_tableView, &QWidget::customContextMenuRequested, this,
            &RateTableView::onShowContextMenu);
    connect(m_addAction, &QAction::triggered, this, &RateTableView::onNew);
    connect(m_removeAction, &QAction::triggered, this, &RateTableView::onRemove);
}

RateTableView::~RateTableView()
{
    m_model->deleteAllRecords();
}

void RateTableView::setView(ZELView *view)
{
    RecordTableWidget::setView(view);
    m_model->setView(view);
}

void RateTableView::setToggleUnit(bool toggle)
{
    m_model->setToggleUnit(toggle);
    m_model->reset();
    m_delegate->setMaximum(toggle ? ToggleMaximum : SignalMaximum);
}

bool RateTableView::toggleUnit() const
{
    return m_model->toggleUnit();
}

void RateTableView::clearValues()
{
    m_model->beginReset();
    for (NetRateItem *item : qAsConst(m_items))
        item->value.clear();
    m_model->endReset();
    markModified();
}

bool RateTableView::containsName(const QString &name) const
{
    for (const NetRateItem *item : m_items) {
        if (item->name == name)
            return true;
    }
    return false;
}

void RateTableView::replaceItems(const QList<NetRateItem *> &items)
{
    m_model->beginReset();
    qDeleteAll(m_items);
    m_items = items;
    m_model->endReset();
}

int RateTableView::addNets(const QList<NlsData::Net *> &nets)
{
    if (nets.isEmpty())
        return 0;
    return appendPicks(
        m_model, nets, [](const NlsData::Net *net) { return net->path(); },
        [](const NlsData::Net *, const QString &name) {
            return new NetRateItem{name, {}};
        });
}

int RateTableView::addNames(const QStringList &names)
{
    return appendPicks(
        m_model, names, [](const QString &name) { return name; },
        [](const QString &, const QString &name) {
            return new NetRateItem{name, {}};
        });
}

void RateTableView::onShowContextMenu(const QPoint &point)
{
    popupMenu(m_tableView, m_tableView->viewport()->mapToGlobal(point));
}

void RateTableView::onRemove()
{
    if (removeSelected(m_tableView, m_model))
        markModified();
}

void RateTableView::onNew()
{
    if (!view())
        return;
    switch (m_kind) {
    case NetKind:
        addNets(NlsData::FindNetDialog::getList(view()->getNetlist()->allNets(), this));
        break;
    case PortKind: {
        NlsDataFinderDialog dialog(this, view()->getNetlist(), 0);
        if (dialog.exec() == QDialog::Accepted)
            addNames(dialog.selectedNames());
        break;
    }
    default:
        break;
    }
}

void RateTableView::modified()
{
    markModified();
}

} // namespace ZEL
