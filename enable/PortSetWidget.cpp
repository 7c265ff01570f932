#include "enable/PortSetWidget.h"
#include "ui_PortSetWidget.h"

#include "document/ZELView.h"
#include "enable/DoubleEditorDelegate.h"
#include "enable/PortModel.h"
#include "enable/SectionIO.h"
#include "host/nlsdata.h"
#include "pickers/NlsDataFinderDialog.h"

#include <QAction>
#include <QCursor>
#include <QDomElement>
#include <QXmlStreamWriter>

namespace ZEL {

PortSetWidget::PortSetWidget(ZELView *view, QWidget *parent)
    : RecordTableWidget(view, parent), m_ui(new Ui::PortSetWidget)
{
    m_ui->setupUi(this);
    m_model = new PortModel(&m_rows, view, this);
    m_delegate = new DoubleEditorDelegate(this, 0.0, 100.0);
    setupTable(m_ui->tableView, m_model, m_delegate, {320, 120});

    connect(m_ui->tableView, &QWidget::customContextMenuRequested, this,
            &PortSetWidget::onShowContextMenu);
    connect(m_addAction, &QAction::triggered, this, &PortSetWidget::onAdd);
    connect(m_ui->btnAdd, &QToolButton::clicked, this, &PortSetWidget::onAdd);
    connect(m_removeAction, &QAction::triggered, this, &PortSetWidget::onRemove);
    connect(m_ui->btnRemove, &QToolButton::clicked, this, &PortSetWidget::onRemove);
}

PortSetWidget::~PortSetWidget()
{
    m_model->deleteAllRecords();
    delete m_ui;
}

void PortSetWidget::readConfig(const QDomElement &root)
{
    const QDomElement section = SectionIO::section(root, QStringLiteral("PortOutEnable"));
    if (section.isNull())
        return;
    m_model->beginReset();
    // The kind comes from the file as it is; it is never derived again from the
    // netlist.
    SectionIO::forEachRow(section, QStringLiteral("Port"), [this](const QDomElement &row) {
        auto *record = new PortRecord;
        record->name = row.attribute(QStringLiteral("name"));
        record->outEnable = SectionIO::readValue(row, QStringLiteral("out_enable"));
        record->capacity = SectionIO::readValue(row, QStringLiteral("capacity"));
        record->kind = SectionIO::readKind(row);
        m_rows.append(record);
    });
    m_model->endReset();
}

namespace {

template <class Rows> void writeSection(QXmlStreamWriter &writer, const Rows &rows)
{
    if (rows.isEmpty())
        return;
    writer.writeStartElement(QStringLiteral("PortOutEnable"));
    for (const auto &row : rows) {
        const PortRecord &record = SectionIO::record(row);
        writer.writeEmptyElement(QStringLiteral("Port"));
        writer.writeAttribute(QStringLiteral("name"), record.name);
        SectionIO::writeValue(writer, QStringLiteral("out_enable"), record.outEnable);
        SectionIO::writeValue(writer, QStringLiteral("capacity"), record.capacity);
        SectionIO::writeKind(writer, record.kind);
    }
    writer.writeEndElement();
}

} // namespace

void PortSetWidget::writeConfig(QXmlStreamWriter &writer)
{
    writeSection(writer, m_rows);
}

PortSetWidget::Contents PortSetWidget::contents() const
{
    return Contents{SectionIO::copyRecords(m_rows)};
}

void PortSetWidget::write(QXmlStreamWriter &writer, const Contents &contents)
{
    writeSection(writer, contents.rows);
}

void PortSetWidget::onShowContextMenu()
{
    popupMenu(m_ui->tableView, QCursor::pos());
}

void PortSetWidget::onRemove()
{
    if (removeSelected(m_ui->tableView, m_model))
        markModified();
}

void PortSetWidget::onAdd()
{
    NlsDataFinderDialog dialog(this, view() ? view()->getNetlist() : nullptr,
                               NlsDataFinderDialog::OutPortFinder);
    if (dialog.exec() != QDialog::Accepted)
        return;
    appendPicks(
        m_model, dialog.selectedPorts(), [](const NlsData::Port *port) { return port->path(); },
        [](const NlsData::Port *port, const QString &name) {
            auto *record = new PortRecord;
            record->name = name;
            record->kind = PortModel::kindOfPort(port);
            return record;
        });
}

void PortSetWidget::modified()
{
    markModified();
}

} // namespace ZEL
