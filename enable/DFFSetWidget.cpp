#include "enable/DFFSetWidget.h"
#include "ui_DFFSetWidget.h"

#include "document/ZELView.h"
#include "enable/DffModel.h"
#include "enable/DoubleEditorDelegate.h"
#include "enable/SectionIO.h"
#include "pickers/NlsDataFinderDialog.h"

#include <QAction>
#include <QCursor>
#include <QDomElement>
#include <QXmlStreamWriter>

namespace ZEL {

DFFSetWidget::DFFSetWidget(ZELView *view, QWidget *parent)
    : RecordTableWidget(view, parent), m_ui(new Ui::DFFSetWidget)
{
    m_ui->setupUi(this);
    m_model = new DffModel(&m_rows, view, this);
    m_delegate = new DoubleEditorDelegate(this, 0.0, 100.0);
    setupTable(m_ui->tableView, m_model, m_delegate);

    connect(m_ui->tableView, &QWidget::customContextMenuRequested, this,
            &DFFSetWidget::onShowContextMenu);
    connect(m_addAction, &QAction::triggered, this, &DFFSetWidget::onAdd);
    connect(m_ui->btnAdd, &QToolButton::clicked, this, &DFFSetWidget::onAdd);
    connect(m_removeAction, &QAction::triggered, this, &DFFSetWidget::onRemove);
    connect(m_ui->btnRemove, &QToolButton::clicked, this, &DFFSetWidget::onRemove);
}

DFFSetWidget::~DFFSetWidget()
{
    m_model->deleteAllRecords();
    delete m_ui;
}

void DFFSetWidget::readConfig(const QDomElement &root)
{
    const QDomElement section = SectionIO::section(root, QStringLiteral("LocalEnable"));
    if (section.isNull())
        return;
    m_model->beginReset();
    SectionIO::forEachRow(section, QStringLiteral("Instance"), [this](const QDomElement &row) {
        auto *record = new DffRecord;
        record->name = row.attribute(QStringLiteral("name"));
        record->value = SectionIO::readValue(row, QStringLiteral("value"));
        m_rows.append(record);
    });
    m_model->endReset();
}

namespace {

template <class Rows> void writeSection(QXmlStreamWriter &writer, const Rows &rows)
{
    if (rows.isEmpty())
        return;
    writer.writeStartElement(QStringLiteral("LocalEnable"));
    // Every row is written, an unnamed one (only possible from a file) included.
    for (const auto &row : rows) {
        const DffRecord &record = SectionIO::record(row);
        writer.writeEmptyElement(QStringLiteral("Instance"));
        writer.writeAttribute(QStringLiteral("name"), record.name);
        SectionIO::writeValue(writer, QStringLiteral("value"), record.value);
    }
    writer.writeEndElement();
}

} // namespace

void DFFSetWidget::writeConfig(QXmlStreamWriter &writer)
{
    writeSection(writer, m_rows);
}

DFFSetWidget::Contents DFFSetWidget::contents() const
{
    return Contents{SectionIO::copyRecords(m_rows)};
}

void DFFSetWidget::write(QXmlStreamWriter &writer, const Contents &contents)
{
    writeSection(writer, contents.rows);
}

void DFFSetWidget::onShowContextMenu()
{
    popupMenu(m_ui->tableView, QCursor::pos());
}

void DFFSetWidget::onRemove()
{
    if (removeSelected(m_ui->tableView, m_model))
        markModified();
}

void DFFSetWidget::onAdd()
{
    NlsDataFinderDialog dialog(this, view() ? view()->getNetlist() : nullptr,
                               NlsDataFinderDialog::DffFinder);
    if (dialog.exec() != QDialog::Accepted)
        return;
    appendPicks(
        m_model, dialog.selectedNames(), [](const QString &name) { return name; },
        [](const QString &, const QString &name) {
            auto *record = new DffRecord;
            record->name = name;
            return record;
        });
}

void DFFSetWidget::modified()
{
    markModified();
}

} // namespace ZEL
