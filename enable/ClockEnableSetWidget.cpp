#include "enable/ClockEnableSetWidget.h"
#include "ui_ClockEnableSetWidget.h"

#include "enable/ClkEnableModel.h"
#include "enable/DoubleEditorDelegate.h"
#include "enable/SectionIO.h"
#include "undo/FormEditRecorder.h"

#include <QAction>
#include <QCursor>
#include <QDomElement>
#include <QXmlStreamWriter>

namespace ZEL {

ClockEnableSetWidget::ClockEnableSetWidget(ZELView *view, QWidget *parent)
    : RecordTableWidget(view, parent), m_ui(new Ui::ClockEnableSetWidget)
{
    m_ui->setupUi(this);
    m_model = new ClkEnableModel(&m_rows, view, this);
    m_delegate = new DoubleEditorDelegate(this, 0.0, 100.0);
    setupTable(m_ui->tableView, m_model, m_delegate, {150, 120, 120, 120, 120, 120});

    connect(m_ui->tableView, &QWidget::customContextMenuRequested, this,
            &ClockEnableSetWidget::onShowContextMenu);
    connect(m_addAction, &QAction::triggered, this, &ClockEnableSetWidget::onAdd);
    connect(m_ui->btnAdd, &QToolButton::clicked, this, &ClockEnableSetWidget::onAdd);
    connect(m_removeAction, &QAction::triggered, this, &ClockEnableSetWidget::onRemove);
    connect(m_ui->btnRemove, &QToolButton::clicked, this, &ClockEnableSetWidget::onRemove);
    // A change of the global value is one step of the view's history.
    auto *history = new FormEditRecorder(view, this);
    history->watch({m_ui->doubleSpinBox});
    history->connectEdit(m_ui->doubleSpinBox, QOverload<double>::of(&QDoubleSpinBox::valueChanged),
                         tr("Global Enable"), [this]() { modified(); });
}

ClockEnableSetWidget::~ClockEnableSetWidget()
{
    m_model->deleteAllRecords();
    delete m_ui;
}

void ClockEnableSetWidget::readConfig(const QDomElement &root)
{
    const QDomElement section = SectionIO::section(root, QStringLiteral("GlobalEnable"));
    if (section.isNull())
        return;
    m_ui->doubleSpinBox->setValue(SectionIO::readNumber(section, QStringLiteral("value"), {}));
    m_model->beginReset();
    SectionIO::forEachRow(section, QStringLiteral("Clock"), [this](const QDomElement &row) {
        auto *record = new ClkEnableRecord;
        record->name = row.attribute(QStringLiteral("name"));
        record->enable = SectionIO::readValue(row, QStringLiteral("value"));
        record->quad1 = SectionIO::readValue(row, QStringLiteral("quad1"));
        record->quad2 = SectionIO::readValue(row, QStringLiteral("quad2"));
        record->quad3 = SectionIO::readValue(row, QStringLiteral("quad3"));
        record->quad4 = SectionIO::readValue(row, QStringLiteral("quad4"));
        m_rows.append(record);
    });
    m_model->endReset();
}

namespace {

template <class Rows> void writeSection(QXmlStreamWriter &writer, double value, const Rows &rows)
{
    writer.writeStartElement(QStringLiteral("GlobalEnable"));
    SectionIO::writeNumber(writer, QStringLiteral("value"), value);
    for (const auto &row : rows) {
        const ClkEnableRecord &record = SectionIO::record(row);
        // A row never named exists only in the editor.
        if (record.name.isEmpty())
            continue;
        writer.writeEmptyElement(QStringLiteral("Clock"));
        writer.writeAttribute(QStringLiteral("name"), record.name);
        SectionIO::writeValue(writer, QStringLiteral("value"), record.enable);
        SectionIO::writeValue(writer, QStringLiteral("quad1"), record.quad1);
        SectionIO::writeValue(writer, QStringLiteral("quad2"), record.quad2);
        SectionIO::writeValue(writer, QStringLiteral("quad3"), record.quad3);
        SectionIO::writeValue(writer, QStringLiteral("quad4"), record.quad4);
    }
    writer.writeEndElement();
}

} // namespace

void ClockEnableSetWidget::writeConfig(QXmlStreamWriter &writer)
{
    writeSection(writer, m_ui->doubleSpinBox->value(), m_rows);
}

ClockEnableSetWidget::Contents ClockEnableSetWidget::contents() const
{
    return Contents{m_ui->doubleSpinBox->value(), SectionIO::copyRecords(m_rows)};
}

void ClockEnableSetWidget::write(QXmlStreamWriter &writer, const Contents &contents)
{
    writeSection(writer, contents.value, contents.rows);
}

void ClockEnableSetWidget::onShowContextMenu(const QPoint &)
{
    popupMenu(m_ui->tableView, QCursor::pos());
}

// Removing changes the document only for rows that would have been written, so
// the marking happens per removed row with content instead of once at the end.
void ClockEnableSetWidget::onRemove()
{
    removeSelected(m_ui->tableView, m_model, [this](const ClkEnableRecord *record) {
        if (record->hasContent())
            markModified();
    });
}

// An empty row is not written to the file, so adding one leaves the document
// unmodified.
void ClockEnableSetWidget::onAdd()
{
    m_model->beginReset();
    m_rows.append(new ClkEnableRecord);
    m_model->endReset();
}

void ClockEnableSetWidget::modified()
{
    markModified();
}

} // namespace ZEL
