#pragma once

// What a view would save, copied from its pages on the GUI thread so that the file's
// text can be written on another thread. The copy holds the pages' plain records
// (strings shared, not duplicated) and their few single values; writing it runs the
// pages' own section writers, so the text is the one the view itself writes.

#include "enable/ZELEnableSetWidget.h"
#include "general/ZELSettingWidget.h"
#include "rate/ZELRateWidget.h"

#include <QByteArray>

namespace VepCheck {

class ViewContents {
public:
    // GUI thread.
    static ViewContents take(const ZEL::ZELView &view);
    // Any thread: the same document as ConfigSnapshot::writtenForm(view) at take().
    QByteArray writtenForm() const;

private:
    ZEL::ZELSettingWidget::Contents m_general;
    ZEL::ZELRateWidget::Contents m_rate;
    ZEL::ZELEnableSetWidget::Contents m_enable;
};

} // namespace VepCheck
