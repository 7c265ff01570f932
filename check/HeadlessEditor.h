#pragma once

// The editor's view of one .vep file, opened without a screen or a user: the view is built
// as the view manager builds it (device, voltage table, file), while its message boxes are
// caught and answered instead of waiting for a click. What the checker, `vep dump` and
// `vep set` see is therefore exactly what the editor makes of the file.

#include <QString>
#include <QStringList>

#include <memory>

namespace ZEL {
class ZELView;
}

namespace VepCheck {

class MessageBoxCatcher;

class HeadlessEditor {
public:
    // `topModule`: the design's top module, against which activity files of the top are
    // stored without an instance.
    HeadlessEditor(const QString &device, const QString &topModule);
    ~HeadlessEditor();
    HeadlessEditor(const HeadlessEditor &) = delete;
    HeadlessEditor &operator=(const HeadlessEditor &) = delete;

    // False with the editor's reason when it would not open the file.
    bool open(const QString &path, QString *error);

    ZEL::ZELView &view() const { return *m_view; }
    // The texts of the message boxes the editor showed since the last call.
    QStringList takeMessages();

private:
    std::unique_ptr<MessageBoxCatcher> m_catcher;
    std::unique_ptr<ZEL::ZELView> m_view;
    QString m_device;
};

} // namespace VepCheck
