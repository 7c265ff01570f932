#pragma once

// The bar above a configuration view whose file another program changed while the
// view held unsaved edits. It asks nothing modally, so the user can finish typing,
// and offers the two ways out: read the file again or keep the edits.

#include <QFrame>

namespace Studio {

namespace Ui {
class ChangedOnDiskBar;
}

class ChangedOnDiskBar : public QFrame {
    Q_OBJECT
public:
    explicit ChangedOnDiskBar(QWidget *parent = nullptr);
    ~ChangedOnDiskBar() override;

    void setFileName(const QString &fileName);
    QString message() const;

signals:
    void reloadRequested();
    void keepMineRequested();

private:
    Ui::ChangedOnDiskBar *ui;
};

} // namespace Studio
