#pragma once

// The "General Setting" tab of a configuration view: operating conditions (grade,
// process, junction or ambient temperature), the thermal path to the environment
// (custom theta JA, or heat sink with air flow and a board thermal model) and the
// chip's supply voltages, whose presence, limits, defaults and ties come from the
// voltage table of the current chip. The widgets are the state: the section of the
// configuration file is read into them and written from them.

#include "host/dev.h"
#include "host/qutil.h"
#include "host/zor.h"

#include <QPair>
#include <QVector>
#include <QWidget>

class QButtonGroup;
class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

namespace Ui {
class ZELSettingWidget;
}

class FormEditRecorder;
class ZELView;

class ZELSettingWidget : public QWidget, public QUtil::IEventHandler {
    Q_OBJECT
public:
    explicit ZELSettingWidget(ZELView *view, QWidget *parent = nullptr);
    ~ZELSettingWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    // What writeConfig writes, copied so that another thread can write it by write():
    // the text elements in their order.
    using Contents = QVector<QPair<QString, QString>>;
    Contents contents() const;
    static void write(QXmlStreamWriter &writer, const Contents &contents);
    bool checkConfig();

    bool loadVoltageInfo();
    void updateVoltageVisibility();
    void connectVoltageSignals();
    void updateVoltageRanges();
    void syncShortCircuitValues();
    void setDevice(DEV::DeviceArg device);

    void handleIEvent(const QUtil::IEvent *event) override;

private slots:
    void modified();
    void onChangeThetaEnable();
    void onBoardTMChanged();
    void onHeatChanged();
    void onJunctionTempChanged();
    void updateJunctionTempRange();
    void onValueChanged();

private:
    ZELView *m_view = nullptr;
    Ui::ZELSettingWidget *ui = nullptr;
    QButtonGroup *buttonGroupHeat = nullptr;
    QButtonGroup *buttonGroupBoard = nullptr;
    ZOR::Voltage m_voltage;
    FormEditRecorder *m_history = nullptr;
};

} // namespace ZEL
