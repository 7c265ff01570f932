#include "check/ViewContents.h"

#include "check/ConfigSnapshot.h"
#include "document/ZELView.h"

#include <QXmlStreamWriter>

namespace VepCheck {

ViewContents ViewContents::take(const ZEL::ZELView &view)
{
    ViewContents contents;
    contents.m_general = view.generalPage()->contents();
    contents.m_rate = view.ratePage()->contents();
    contents.m_enable = view.enableSetPage()->contents();
    return contents;
}

QByteArray ViewContents::writtenForm() const
{
    return ConfigSnapshot::writtenForm([this](QXmlStreamWriter &writer) {
        ZEL::ZELSettingWidget::write(writer, m_general);
        ZEL::ZELRateWidget::write(writer, m_rate);
        ZEL::ZELEnableSetWidget::write(writer, m_enable);
    });
}

} // namespace VepCheck
