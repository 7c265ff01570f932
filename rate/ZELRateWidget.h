#pragma once

#include <QWidget>

class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

class ZELView;

class ZELRateWidget : public QWidget {
    Q_OBJECT
public:
    explicit ZELRateWidget(ZELView *view, QWidget *parent = nullptr);
    ~ZELRateWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);
    bool checkConfig();

private:
    ZELView *m_view = nullptr;
};

} // namespace ZEL
