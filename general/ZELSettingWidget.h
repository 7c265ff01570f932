#pragma once

#include "host/dev.h"

#include <QWidget>

class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

class ZELView;

class ZELSettingWidget : public QWidget {
    Q_OBJECT
public:
    explicit ZELSettingWidget(ZELView *view, QWidget *parent = nullptr);
    ~ZELSettingWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    bool checkConfig();

    bool loadVoltageInfo();
    void updateVoltageVisibility();
    void connectVoltageSignals();
    void updateVoltageRanges();
    void setDevice(DEV::DeviceArg device);
private:
    ZELView *m_view = nullptr;
};

} // namespace ZEL
