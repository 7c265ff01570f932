#include "enable/BsramSetWidget.h"
#include "ui_BsramSetWidget.h"

#include "document/ZELView.h"
#include "enable/BSRamModel.h"
#include "enable/DoubleEditorDelegate.h"
#include "enable/SectionIO.h"
#include "host/nlsdata.h"
#include "pickers/NlsDataFinderDialog.h"
#include "undo/FormEditRecorder.h"

#include <QAction>
#include <QCursor>
#include <QDomElement>
#include <QXmlStreamWriter>

#include <utility>

namespace ZEL {

BsramSetWidget::BsramSetWidget(ZELView *view, QWidget *parent)
    : RecordTableWidget(view, parent), m_ui(new Ui::BsramSetWidget)
{
    m_ui->setupUi(this);
    m_model = new BSRamModel(&m_rows, view, this);
    m_delegate = new DoubleEditorDelegate(this, 0.0, 100.0);
    setupTable(m_ui->tableView, m_model, m_delegate, {200, 120, 130, 130, 120, 130});

    connect(m_ui->tableView, &QWidget::customContextMenuRequested, this,
            &BsramSetWidget::onShowContextMenu);
    connect(m_addAction, &QAction::triggered, this, &BsramSetWidget::onAdd);
    connect(m_ui->btnAdd, &QToolButton::clicked, this, &BsramSetWidget::onAdd);
    connect(m_removeAction, &QAction::triggered, this, &BsramSetWidget::onRemove);
    connect(m_ui->btnRemove, &QToolButton::clicked, this, &BsramSetWidget::onRemove);
    // A change of a global value is one step of the view's history.
    auto *history = new FormEditRecorder(view, this);
    history->watch({m_ui->spinBoxClk, m_ui->spinBoxRead, m_ui->spinBoxWrite});
    const std::pair<QDoubleSpinBox *, QString> globals[] = {
        {m_ui->spinBoxClk, tr("Clock Enable")},
        {m_ui->spinBoxRead, tr("Read Probability")},
        {m_ui->spinBoxWrite, tr("Write Probability")}};
    for (const auto &global : globals)
        history->connectEdit(global.first, QOverload<double>::of(&QDoubleSpinBox::valueChanged),
                             global.second, [this]() { modified(); });
}

BsramSetWidget::~BsramSetWidget()
{
    m_model->deleteAllRecords();
    delete m_ui;
}

void BsramSetWidget::readConfig(const QDomElement &root)
{
    const QDomElement section = SectionIO::section(root, QStringLiteral("GlobalBsram"));
    if (section.isNull())
        return;
    const QString hundred = QStringLiteral("100");
    m_ui->spinBoxClk->setValue(
        SectionIO::readNumber(section, QStringLiteral("clock_enable"), hundred));
    m_ui->spinBoxRead->setValue(
        SectionIO::readNumber(section, QStringLiteral("read_probability"), hundred));
    m_ui->spinBoxWrite->setValue(
        SectionIO::readNumber(section, QStringLiteral("write_probability"), hundred));
    m_model->beginReset();
    // The kind comes from the file as it is; it is never derived again from the
    // netlist.
    SectionIO::forEachRow(section, QStringLiteral("BSRam"), [this](const QDomElement &row) {
        auto *record = new BSRamRecord;
        record->name = row.attribute(QStringLiteral("name"));
        record->clockA = SectionIO::readValue(row, QStringLiteral("clock_a_enable"));
        record->clockB = SectionIO::readValue(row, QStringLiteral("clock_b_enable"));
        record->readA = SectionIO::readValue(row, QStringLiteral("port_a_read"));
        record->writeA = SectionIO::readValue(row, QStringLiteral("port_a_write"));
        record->readB = SectionIO::readValue(row, QStringLiteral("port_b_read"));
        record->writeB = SectionIO::readValue(row, QStringLiteral("port_b_write"));
        record->kind = SectionIO::readKind(row);
        m_rows.append(record);
    });
    m_model->endReset();
}

namespace {

template <class Rows>
void writeSection(QXmlStreamWriter &writer, const BsramSetWidget::Contents &globals,
                  const Rows &rows)
{
    writer.writeStartElement(QStringLiteral("GlobalBsram"));
    SectionIO::writeNumber(writer, QStringLiteral("clock_enable"), globals.clockEnable);
    SectionIO::writeNumber(writer, QStringLiteral("read_probability"), globals.readProbability);
    SectionIO::writeNumber(writer, QStringLiteral("write_probability"), globals.writeProbability);
    for (const auto &row : rows) {
        const BSRamRecord &record = SectionIO::record(row);
        if (record.name.isEmpty())
            continue;
        writer.writeEmptyElement(QStringLiteral("BSRam"));
        writer.writeAttribute(QStringLiteral("name"), record.name);
        SectionIO::writeValue(writer, QStringLiteral("clock_a_enable"), record.clockA);
        SectionIO::writeValue(writer, QStringLiteral("clock_b_enable"), record.clockB);
        SectionIO::writeValue(writer, QStringLiteral("port_a_read"), record.readA);
        SectionIO::writeValue(writer, QStringLiteral("port_a_write"), record.writeA);
        SectionIO::writeValue(writer, QStringLiteral("port_b_read"), record.readB);
        SectionIO::writeValue(writer, QStringLiteral("port_b_write"), record.writeB);
        SectionIO::writeKind(writer, record.kind);
    }
    writer.writeEndElement();
}

} // namespace

// The global values only; writeConfig writes the held rows without copying them.
BsramSetWidget::Contents BsramSetWidget::globals() const
{
    Contents globals;
    globals.clockEnable = m_ui->spinBoxClk->value();
    globals.readProbability = m_ui->spinBoxRead->value();
    globals.writeProbability = m_ui->spinBoxWrite->value();
    return globals;
}

void BsramSetWidget::writeConfig(QXmlStreamWriter &writer)
{
    writeSection(writer, globals(), m_rows);
}

BsramSetWidget::Contents BsramSetWidget::contents() const
{
    Contents contents = globals();
    contents.rows = SectionIO::copyRecords(m_rows);
    return contents;
}

void BsramSetWidget::write(QXmlStreamWriter &writer, const Contents &contents)
{
    writeSection(writer, contents, contents.rows);
}

void BsramSetWidget::onShowContextMenu(const QPoint &)
{
    popupMenu(m_ui->tableView, QCursor::pos());
}

void BsramSetWidget::onRemove()
{
    if (removeSelected(m_ui->tableView, m_model))
        markModified();
}

void BsramSetWidget::onAdd()
{
    NlsDataFinderDialog dialog(this, view() ? view()->getNetlist() : nullptr,
                               NlsDataFinderDialog::BsramFinder);
    if (dialog.exec() != QDialog::Accepted)
        return;
    appendPicks(
        m_model, dialog.selectedInstances(),
        [](const NlsData::Instance *instance) { return instance->path(); },
        [](const NlsData::Instance *instance, const QString &name) {
            return BSRamModel::newRecord(name, instance->primitive);
        });
}

void BsramSetWidget::modified()
{
    markModified();
}

} // namespace ZEL
