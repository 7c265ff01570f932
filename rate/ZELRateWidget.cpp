#include "rate/ZELRateWidget.h"

#include <QDomElement>
#include <QXmlStreamWriter>

namespace ZEL {

ZELRateWidget::ZELRateWidget(ZELView *view, QWidget *parent) : QWidget(parent), m_view(view) {}
ZELRateWidget::~ZELRateWidget() = default;
void ZELRateWidget::readConfig(const QDomElement &) {}
void ZELRateWidget::writeConfig(QXmlStreamWriter &) {}
bool ZELRateWidget::checkConfig() { return true; }

} // namespace ZEL
