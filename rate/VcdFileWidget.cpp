#include "rate/VcdFileWidget.h"
#include "ui_VcdFileWidget.h"

#include "document/ZELView.h"
#include "enable/SectionIO.h"
#include "host/nlsdata.h"
#include "rate/MessageText.h"
#include "rate/VcdFileModel.h"
#include "rate/VcdFileSetDialog.h"
#include "undo/FormEditRecorder.h"

#include <QAction>
#include <QDomElement>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QXmlStreamWriter>

namespace ZEL {

namespace {

constexpr double ToggleMaximum = 200.0;
constexpr double SignalMaximum = 99999999.0;
constexpr double ToggleDefault = 12.5;
constexpr int ToggleUnitIndex = 0;

// One rule for both default rates: a toggle rate cannot exceed 200 %, so a larger
// signal rate falls back to the default toggle rate when the unit changes to "%".
void fitToUnit(QComboBox *unit, QDoubleSpinBox *value)
{
    if (unit->currentIndex() == ToggleUnitIndex) {
        if (value->value() > ToggleMaximum)
            value->setValue(ToggleDefault);
        value->setMaximum(ToggleMaximum);
    } else {
        value->setMaximum(SignalMaximum);
    }
}

// The unit is set before the value, so that the value is bounded by the unit read.
void readRate(const QDomElement &section, const QString &toggleTag, const QString &signalTag,
              QComboBox *unit, QDoubleSpinBox *value)
{
    QDomElement element = section.firstChildElement(toggleTag);
    int unitIndex = ToggleUnitIndex;
    if (element.isNull()) {
        element = section.firstChildElement(signalTag);
        unitIndex = 1;
    }
    if (element.isNull())
        return;
    unit->setCurrentIndex(unitIndex);
    // "nan", "inf" and overflows such as "1e999" read as 0 like any other non-number;
    // given to the spin box as they are, they would end up at one of its limits.
    const double number = element.text().toDouble();
    value->setValue(qIsFinite(number) ? number : 0.0);
}

bool sameFile(const VcdFileItem &a, const VcdFileItem &b)
{
    return a.file == b.file && a.instance == b.instance && a.isVcd == b.isVcd &&
           a.startTime == b.startTime && a.endTime == b.endTime && a.timeUnit == b.timeUnit;
}

// The two-decimal text shown by the spin box, always with a point.
QString rateText(const QDoubleSpinBox *value)
{
    return QString::number(value->value(), 'f', 2);
}

} // namespace

VcdFileWidget::VcdFileWidget(ZELView *view, QWidget *parent)
    : RecordTableWidget(view, parent), m_form(new Ui::VcdFileTableView)
{
    m_form->setupUi(this);
    m_form->editIOValue->setLocale(QLocale::c());
    m_form->editRemainValue->setLocale(QLocale::c());

    m_model =
        new VcdFileModel(&m_items, {tr("Instance"), tr("File Name"), tr("File Type")}, view, this);
    setupTable(m_form->tableView, m_model, nullptr, {-1, 240, 120});

    m_addAction->setText(tr("Add Input File"));

    connect(m_form->tableView, &QWidget::customContextMenuRequested, this,
            &VcdFileWidget::onShowContextMenu);
    connect(m_form->tableView, &QAbstractItemView::doubleClicked, this, &VcdFileWidget::onEditData);
    connect(m_addAction, &QAction::triggered, this, &VcdFileWidget::onNew);
    connect(m_form->btnAdd, &QAbstractButton::clicked, this, &VcdFileWidget::onNew);
    connect(m_removeAction, &QAction::triggered, this, &VcdFileWidget::onRemove);
    connect(m_form->btnRemove, &QAbstractButton::clicked, this, &VcdFileWidget::onRemove);

    // The default rates, their units and the glitch option: each change is one step of
    // the view's history, a unit together with the value it fitted.
    m_history = new FormEditRecorder(view, this);
    m_history->watch({m_form->editIOValue, m_form->comboIOUnit, m_form->editRemainValue,
                      m_form->comboRemainUnit, m_form->checkGlitch});
    const auto spinValueChanged = QOverload<double>::of(&QDoubleSpinBox::valueChanged);
    const auto comboIndexChanged = QOverload<int>::of(&QComboBox::currentIndexChanged);
    connect(m_form->checkGlitch, &QAbstractButton::clicked, this, [this]() {
        // Without activity files the option is not stored, so its change marks nothing;
        // while the view is modified anyway it is a step all the same, so that undoing
        // an earlier removal of files brings back the option they were stored with.
        if (m_items.isEmpty() && !(this->view() && this->view()->isModified())) {
            onGlitchChanged();
            m_history->resync();
            return;
        }
        m_history->edit(m_form->checkGlitch, tr("Filter Glitch"), [this]() { onGlitchChanged(); });
    });
    m_history->connectEdit(m_form->editIOValue, spinValueChanged, tr("IO Input Rate"),
                           [this]() { modified(); });
    m_history->connectEdit(m_form->editRemainValue, spinValueChanged, tr("Remaining Rate"),
                           [this]() { modified(); });
    m_history->connectEdit(m_form->comboIOUnit, comboIndexChanged, tr("IO Input Rate Unit"),
                           [this]() { onIOUnitChanged(); });
    m_history->connectEdit(m_form->comboRemainUnit, comboIndexChanged, tr("Remaining Rate Unit"),
                           [this]() { onRemainUnitChanged(); });

    // Vectorless estimation is not offered yet; the button stays in the form unused.
    m_form->radioVectorless->hide();
}

VcdFileWidget::~VcdFileWidget()
{
    m_model->deleteAllRecords();
    delete m_form;
}

void VcdFileWidget::onShowContextMenu(const QPoint &point)
{
    popupMenu(m_form->tableView, m_form->tableView->viewport()->mapToGlobal(point));
}

void VcdFileWidget::onRemove()
{
    if (removeSelected(m_form->tableView, m_model))
        markModified();
}

void VcdFileWidget::onNew()
{
    VcdFileSetDialog dialog(view(), this, nullptr);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_model->beginReset();
    m_items.append(dialog.vcdFileItem());
    m_model->endReset();
    markModified();
    m_model->recordAppended(m_items.size() - 1);
}

void VcdFileWidget::onEditData(const QModelIndex &index)
{
    VcdFileItem *item = m_model->record(index);
    if (!item)
        return;
    const VcdFileItem before = *item;
    VcdFileSetDialog dialog(view(), this, item);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_model->rowChanged(index.row());
    markModified();
    if (!sameFile(before, *item))
        m_model->recordChanged(item, before, tr("Edit Activity File"));
}

void VcdFileWidget::onGlitchChanged()
{
    // The option is stored only together with activity files.
    if (!m_items.isEmpty())
        markModified();
}

void VcdFileWidget::modified()
{
    markModified();
}

void VcdFileWidget::onRemainUnitChanged()
{
    fitToUnit(m_form->comboRemainUnit, m_form->editRemainValue);
    markModified();
}

void VcdFileWidget::onIOUnitChanged()
{
    fitToUnit(m_form->comboIOUnit, m_form->editIOValue);
    markModified();
}

bool VcdFileWidget::checkConfig()
{
    for (const VcdFileItem *item : qAsConst(m_items)) {
        if (!QFile::exists(item->file)) {
            QMessageBox::warning(
                this, tr("Warning"),
                tr("The vcd file '%1' doesn't exist.").arg(shownInMessage(item->file)));
            return false;
        }
    }
    return true;
}

void VcdFileWidget::readConfig(const QDomElement &root)
{
    const QDomElement defaults = root.firstChildElement(QStringLiteral("DefaultConfig"));
    if (!defaults.isNull()) {
        readRate(defaults, QStringLiteral("DefaultIoToggleRate"),
                 QStringLiteral("DefaultIoSignalRate"), m_form->comboIOUnit, m_form->editIOValue);
        readRate(defaults, QStringLiteral("DefaultRmToggleRate"),
                 QStringLiteral("DefaultRmSignalRate"), m_form->comboRemainUnit,
                 m_form->editRemainValue);
    }

    const QDomElement files = root.firstChildElement(QStringLiteral("SimuFile"));
    if (files.isNull())
        return;
    const QString top = view()->getNetlist()->topModuleName();
    m_model->beginReset();
    for (QDomElement file = files.firstChildElement(QStringLiteral("File")); !file.isNull();
         file = file.nextSiblingElement(QStringLiteral("File"))) {
        auto *item = new VcdFileItem;
        item->file = file.attribute(QStringLiteral("name"));
        item->instance = file.attribute(QStringLiteral("entity"));
        if (item->instance.isEmpty())
            item->instance = top;
        item->isVcd = file.attribute(QStringLiteral("type")) == QLatin1String("vcd");
        item->startTime = file.attribute(QStringLiteral("start_time"));
        item->endTime = file.attribute(QStringLiteral("end_time"));
        item->timeUnit = file.attribute(QStringLiteral("time_unit"));
        m_items.append(item);
    }
    const QDomElement glitch = files.firstChildElement(QStringLiteral("FilterGlitch"));
    if (!glitch.isNull())
        m_form->checkGlitch->setChecked(glitch.text() == QLatin1String("TRUE"));
    m_model->endReset();
}

namespace {

template <class Items>
void writeSections(QXmlStreamWriter &writer, const VcdFileWidget::Contents &globals,
                   const Items &items)
{
    writer.writeStartElement(QStringLiteral("DefaultConfig"));
    writer.writeTextElement(globals.ioRateTag, globals.ioRate);
    writer.writeTextElement(globals.remainRateTag, globals.remainRate);
    writer.writeEndElement();

    if (items.isEmpty())
        return;
    writer.writeStartElement(QStringLiteral("SimuFile"));
    // The top module is stored as an empty entity, so the entry follows a renamed top.
    for (const auto &entry : items) {
        const VcdFileItem &item = SectionIO::record(entry);
        writer.writeEmptyElement(QStringLiteral("File"));
        writer.writeAttribute(QStringLiteral("type"),
                              item.isVcd ? QStringLiteral("vcd") : QStringLiteral("saif"));
        writer.writeAttribute(QStringLiteral("name"), item.file);
        writer.writeAttribute(QStringLiteral("entity"),
                              item.instance == globals.top ? QString() : item.instance);
        if (!item.startTime.isEmpty())
            writer.writeAttribute(QStringLiteral("start_time"), item.startTime);
        if (!item.endTime.isEmpty())
            writer.writeAttribute(QStringLiteral("end_time"), item.endTime);
        if (!item.startTime.isEmpty() || !item.endTime.isEmpty())
            writer.writeAttribute(QStringLiteral("time_unit"), item.timeUnit);
    }
    writer.writeTextElement(QStringLiteral("FilterGlitch"), globals.filterGlitch
                                                                ? QStringLiteral("TRUE")
                                                                : QStringLiteral("FALSE"));
    writer.writeEndElement();
}

} // namespace

// Everything but the files; writeConfig writes the held files without copying them.
VcdFileWidget::Contents VcdFileWidget::globals() const
{
    Contents globals;
    globals.ioRateTag = m_form->comboIOUnit->currentIndex() != ToggleUnitIndex
                            ? QStringLiteral("DefaultIoSignalRate")
                            : QStringLiteral("DefaultIoToggleRate");
    globals.ioRate = rateText(m_form->editIOValue);
    globals.remainRateTag = m_form->comboRemainUnit->currentIndex() != ToggleUnitIndex
                                ? QStringLiteral("DefaultRmSignalRate")
                                : QStringLiteral("DefaultRmToggleRate");
    globals.remainRate = rateText(m_form->editRemainValue);
    // Only files need the netlist; without files there may be none.
    if (!m_items.isEmpty())
        globals.top = view()->getNetlist()->topModuleName();
    globals.filterGlitch = m_form->checkGlitch->isChecked();
    return globals;
}

void VcdFileWidget::writeConfig(QXmlStreamWriter &writer)
{
    writeSections(writer, globals(), m_items);
}

VcdFileWidget::Contents VcdFileWidget::contents() const
{
    Contents contents = globals();
    contents.items = SectionIO::copyRecords(m_items);
    return contents;
}

void VcdFileWidget::write(QXmlStreamWriter &writer, const Contents &contents)
{
    writeSections(writer, contents, contents.items);
}

} // namespace ZEL
