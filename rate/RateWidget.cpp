#include "rate/RateWidget.h"
#include "ui_RateWidget.h"

#include "document/ZELView.h"
#include "enable/SectionIO.h"
#include "rate/MessageText.h"
#include "rate/RateModel.h"
#include "rate/RateTableView.h"
#include "rate/RateUnitCommand.h"

#include <QDomElement>
#include <QMessageBox>
#include <QXmlStreamWriter>

namespace ZEL {

RateWidget::RateWidget(ZELView *view, QWidget *parent)
    : QWidget(parent), m_form(new Ui::NetRateEditor), m_view(view)
{
    m_form->setupUi(this);

    m_form->tableviewNet->setKind(RateTableView::NetKind);
    m_form->tableviewPort->setKind(RateTableView::PortKind);
    m_form->tableviewNet->setView(view);
    m_form->tableviewPort->setView(view);

    connect(m_form->btnAdd, &QAbstractButton::clicked, m_form->tableviewNet, &RateTableView::onNew);
    connect(m_form->btnRemove, &QAbstractButton::clicked, m_form->tableviewNet,
            &RateTableView::onRemove);
    connect(m_form->btnAddIO, &QAbstractButton::clicked, m_form->tableviewPort,
            &RateTableView::onNew);
    connect(m_form->btnRemoveIO, &QAbstractButton::clicked, m_form->tableviewPort,
            &RateTableView::onRemove);
    connect(m_form->radioSignal, &QAbstractButton::clicked, this,
            &RateWidget::onNetRateUnitChanged);
    connect(m_form->radioToggle, &QAbstractButton::clicked, this,
            &RateWidget::onNetRateUnitChanged);
    connect(m_form->radioSignalIO, &QAbstractButton::clicked, this,
            &RateWidget::onIORateUnitChanged);
    connect(m_form->radioToggleIO, &QAbstractButton::clicked, this,
            &RateWidget::onIORateUnitChanged);

    m_form->groupIORate->hide();
}

RateWidget::~RateWidget()
{
    delete m_form;
}

RateTableView *RateWidget::netTable() const
{
    return m_form->tableviewNet;
}

RateTableView *RateWidget::portTable() const
{
    return m_form->tableviewPort;
}

void RateWidget::onVectorlessChanged(bool enabled)
{
    m_form->groupIORate->setEnabled(enabled);
}

void RateWidget::onNetRateUnitChanged()
{
    changeUnit(m_form->tableviewNet, m_form->radioToggle, m_form->radioSignal, tr("Net Rate Unit"));
}

void RateWidget::onIORateUnitChanged()
{
    changeUnit(m_form->tableviewPort, m_form->radioToggleIO, m_form->radioSignalIO,
               tr("IO Rate Unit"));
}

void RateWidget::changeUnit(RateTableView *table, QAbstractButton *toggleButton,
                            QAbstractButton *signalButton, const QString &stepText)
{
    if (table->items().isEmpty()) {
        // Without rows the unit is not stored, so the change marks nothing. It is still
        // a step while the view is modified anyway: undoing an earlier removal must
        // bring the rows back in the unit their rates were given in.
        const bool toggle = toggleButton->isChecked();
        if (toggle != table->toggleUnit() && m_view && m_view->isModified()) {
            auto *step = new RateUnitCommand(table, toggleButton, signalButton, stepText);
            step->setNewUnit(toggle);
            table->setToggleUnit(toggle);
            table->model()->pushEdit(step);
            return;
        }
        table->setToggleUnit(toggle);
        return;
    }
    const auto answer = QMessageBox::question(
        this, tr("Confirm"),
        tr("Are you sure to change unit?\nThe edited values will be clear after changed."),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        // Taken before the change: the step keeps the rates it clears.
        auto *step = new RateUnitCommand(table, toggleButton, signalButton, stepText);
        table->setToggleUnit(toggleButton->isChecked());
        table->clearValues();
        step->setNewUnit(table->toggleUnit());
        table->model()->pushEdit(step);
        return;
    }
    // The user's click has already moved the check mark; put it back on the unit in force.
    (table->toggleUnit() ? toggleButton : signalButton)->setChecked(true);
}

bool RateWidget::checkConfig()
{
    for (const NetRateItem *item : m_form->tableviewNet->items()) {
        if (item->value.isEmpty()) {
            QMessageBox::warning(
                this, tr("Warning"),
                tr("Rate value of Net '%1' is empty.").arg(shownInMessage(item->name)));
            return false;
        }
    }
    if (!m_form->groupIORate->isEnabled())
        return true;
    for (const NetRateItem *item : m_form->tableviewPort->items()) {
        if (item->value.isEmpty()) {
            QMessageBox::warning(
                this, tr("Warning"),
                tr("Rate value of Port '%1' is empty.").arg(shownInMessage(item->name)));
            return false;
        }
    }
    return true;
}

void RateWidget::readConfig(const QDomElement &root)
{
    const QDomElement section = root.firstChildElement(QStringLiteral("NetRate"));
    if (section.isNull())
        return;
    const bool toggle = section.attribute(QStringLiteral("type")) == QLatin1String("toggle");
    // Checked from code, so the unit-change slot (bound to clicks) does not run.
    (toggle ? m_form->radioToggle : m_form->radioSignal)->setChecked(true);
    m_form->tableviewNet->setToggleUnit(toggle);

    QList<NetRateItem *> items;
    for (QDomElement net = section.firstChildElement(QStringLiteral("Net")); !net.isNull();
         net = net.nextSiblingElement(QStringLiteral("Net"))) {
        items.append(new NetRateItem{net.attribute(QStringLiteral("name")),
                                     net.attribute(QStringLiteral("value"))});
    }
    m_form->tableviewNet->replaceItems(items);
}

namespace {

template <class Items> void writeSection(QXmlStreamWriter &writer, bool toggle, const Items &items)
{
    if (items.isEmpty())
        return;
    writer.writeStartElement(QStringLiteral("NetRate"));
    writer.writeAttribute(QStringLiteral("type"),
                          toggle ? QStringLiteral("toggle") : QStringLiteral("signal"));
    for (const auto &entry : items) {
        const NetRateItem &item = SectionIO::record(entry);
        writer.writeEmptyElement(QStringLiteral("Net"));
        writer.writeAttribute(QStringLiteral("name"), item.name);
        writer.writeAttribute(QStringLiteral("value"), item.value);
    }
    writer.writeEndElement();
}

} // namespace

void RateWidget::writeConfig(QXmlStreamWriter &writer)
{
    writeSection(writer, m_form->radioToggle->isChecked(), m_form->tableviewNet->items());
}

RateWidget::Contents RateWidget::contents() const
{
    return Contents{m_form->radioToggle->isChecked(),
                    SectionIO::copyRecords(m_form->tableviewNet->items())};
}

void RateWidget::write(QXmlStreamWriter &writer, const Contents &contents)
{
    writeSection(writer, contents.toggle, contents.items);
}

} // namespace ZEL
