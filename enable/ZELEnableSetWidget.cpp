#include "enable/ZELEnableSetWidget.h"

#include "enable/BsramSetWidget.h"
#include "enable/ClockEnableSetWidget.h"
#include "enable/DFFSetWidget.h"
#include "enable/PortSetWidget.h"

#include <QDomElement>
#include <QSplitter>
#include <QVBoxLayout>
#include <QXmlStreamWriter>

namespace ZEL {

ZELEnableSetWidget::ZELEnableSetWidget(ZELView *view, QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    layout->addWidget(m_splitter);

    auto *leftPane = new QWidget(m_splitter);
    auto *leftLayout = new QVBoxLayout(leftPane);
    auto *rightPane = new QWidget(m_splitter);
    auto *rightLayout = new QVBoxLayout(rightPane);
    m_splitter->addWidget(leftPane);
    m_splitter->addWidget(rightPane);

    m_clockEnable = new ClockEnableSetWidget(view);
    m_port = new PortSetWidget(view);
    m_bsram = new BsramSetWidget(view);
    m_dff = new DFFSetWidget(view);
    leftLayout->addWidget(m_clockEnable);
    leftLayout->addWidget(m_bsram);
    rightLayout->addWidget(m_port);
    rightLayout->addWidget(m_dff);

    // The left pane starts 100 pixels wider than the right one.
    const int w = width();
    m_splitter->setSizes({w / 2 + 50, w / 2 - 50});
}

ZELEnableSetWidget::~ZELEnableSetWidget() = default;

void ZELEnableSetWidget::readConfig(const QDomElement &root)
{
    m_clockEnable->readConfig(root);
    m_port->readConfig(root);
    m_bsram->readConfig(root);
    m_dff->readConfig(root);
}

void ZELEnableSetWidget::writeConfig(QXmlStreamWriter &writer)
{
    m_clockEnable->writeConfig(writer);
    m_port->writeConfig(writer);
    m_bsram->writeConfig(writer);
    m_dff->writeConfig(writer);
}

ZELEnableSetWidget::Contents ZELEnableSetWidget::contents() const
{
    return Contents{m_clockEnable->contents(), m_port->contents(), m_bsram->contents(),
                    m_dff->contents()};
}

void ZELEnableSetWidget::write(QXmlStreamWriter &writer, const Contents &contents)
{
    ClockEnableSetWidget::write(writer, contents.clocks);
    PortSetWidget::write(writer, contents.ports);
    BsramSetWidget::write(writer, contents.bsrams);
    DFFSetWidget::write(writer, contents.instances);
}

} // namespace ZEL
