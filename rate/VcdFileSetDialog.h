#pragma once

// The dialog that adds an activity file to the rate page or edits one: the file,
// the module instance it records, VCD or SAIF, and for VCD an optional time window.
// The record is filled only when the input passes the checks on OK.

#include <QDialog>

class QRegExpValidator;

namespace ZEL {

namespace Ui {
class VcdFileSetDialog;
}

struct VcdFileItem;
class ZELView;

class VcdFileSetDialog : public QDialog {
    Q_OBJECT
public:
    VcdFileSetDialog(ZELView *view, QWidget *parent, VcdFileItem *item);
    ~VcdFileSetDialog() override;

    void accept() override;

    // The record filled by an accepted run: the one passed in, or a new one that the
    // caller takes over. Null when none was passed and the dialog was not accepted.
    VcdFileItem *vcdFileItem() const { return m_item; }

    QRegExpValidator *timeValidator() const { return m_validator; }

private slots:
    void onBtnSelectFile();
    void onBtnSelectInstance();
    void onTypeChanged();

private:
    void loadItem();
    void warn(const QString &text);

    Ui::VcdFileSetDialog *m_form = nullptr;
    QRegExpValidator *m_validator = nullptr;
    VcdFileItem *m_item = nullptr;
    ZELView *m_view = nullptr;
};

} // namespace ZEL
