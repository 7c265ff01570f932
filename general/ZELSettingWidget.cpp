#include "general/ZELSettingWidget.h"

#include <QDomElement>
#include <QXmlStreamWriter>

namespace ZEL {

ZELSettingWidget::ZELSettingWidget(ZELView *view, QWidget *parent) : QWidget(parent), m_view(view) {}
ZELSettingWidget::~ZELSettingWidget() = default;
void ZELSettingWidget::readConfig(const QDomElement &) {}
void ZELSettingWidget::writeConfig(QXmlStreamWriter &) {}
bool ZELSettingWidget::checkConfig() { return true; }

bool ZELSettingWidget::loadVoltageInfo() { return true; }
void ZELSettingWidget::updateVoltageVisibility() {}
void ZELSettingWidget::connectVoltageSignals() {}
void ZELSettingWidget::updateVoltageRanges() {}
void ZELSettingWidget::setDevice(DEV::DeviceArg) {}
} // namespace ZEL
