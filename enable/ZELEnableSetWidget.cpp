#include "enable/ZELEnableSetWidget.h"

#include <QDomElement>
#include <QXmlStreamWriter>

namespace ZEL {

ZELEnableSetWidget::ZELEnableSetWidget(ZELView *view, QWidget *parent) : QWidget(parent), m_view(view) {}
ZELEnableSetWidget::~ZELEnableSetWidget() = default;
void ZELEnableSetWidget::readConfig(const QDomElement &) {}
void ZELEnableSetWidget::writeConfig(QXmlStreamWriter &) {}

} // namespace ZEL
