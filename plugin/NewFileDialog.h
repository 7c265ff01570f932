#pragma once

// The small dialog of the new-file wizard: asks for a name and a directory, writes
// an empty configuration file there and can add it to the open project.

#include <QDialog>

namespace ZEL {

namespace Ui {
class NewFileDialog;
}

class NewFileDialog : public QDialog {
    Q_OBJECT
public:
    NewFileDialog(const QString &path, QWidget *parent);
    ~NewFileDialog() override;

public slots:
    void onBrowse();
    void accept() override;

private:
    Ui::NewFileDialog *ui = nullptr;
};

} // namespace ZEL
