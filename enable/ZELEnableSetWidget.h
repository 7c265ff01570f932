#pragma once

#include <QWidget>

class QDomElement;
class QXmlStreamWriter;

namespace ZEL {

class ZELView;

class ZELEnableSetWidget : public QWidget {
    Q_OBJECT
public:
    explicit ZELEnableSetWidget(ZELView *view, QWidget *parent = nullptr);
    ~ZELEnableSetWidget() override;

    void readConfig(const QDomElement &root);
    void writeConfig(QXmlStreamWriter &writer);


private:
    ZELView *m_view = nullptr;
};

} // namespace ZEL
