#include "rate/ZELRateWidget.h"

#include "rate/RateWidget.h"
#include "rate/VcdFileWidget.h"

#include <QHBoxLayout>
#include <QSplitter>

namespace ZEL {

ZELRateWidget::ZELRateWidget(ZELView *view, QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *splitter = new QSplitter(Qt::Horizontal);
    layout->addWidget(splitter);

    m_rateWidget = new RateWidget(view, nullptr);
    m_vcdFileWidget = new VcdFileWidget(view, nullptr);
    splitter->addWidget(m_rateWidget);
    splitter->addWidget(m_vcdFileWidget);

    connect(m_vcdFileWidget, &VcdFileWidget::vectorlessChanged, m_rateWidget,
            &RateWidget::onVectorlessChanged);
}

ZELRateWidget::~ZELRateWidget() = default;

void ZELRateWidget::readConfig(const QDomElement &root)
{
    m_rateWidget->readConfig(root);
    m_vcdFileWidget->readConfig(root);
}

void ZELRateWidget::writeConfig(QXmlStreamWriter &writer)
{
    m_rateWidget->writeConfig(writer);
    m_vcdFileWidget->writeConfig(writer);
}

ZELRateWidget::Contents ZELRateWidget::contents() const
{
    return Contents{m_rateWidget->contents(), m_vcdFileWidget->contents()};
}

void ZELRateWidget::write(QXmlStreamWriter &writer, const Contents &contents)
{
    RateWidget::write(writer, contents.rates);
    VcdFileWidget::write(writer, contents.files);
}

bool ZELRateWidget::checkConfig()
{
    // Stops at the first veto, so a save attempt shows at most one warning.
    return m_rateWidget->checkConfig() && m_vcdFileWidget->checkConfig();
}

} // namespace ZEL
