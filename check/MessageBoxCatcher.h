#pragma once

// Keeps the editor's message boxes from waiting for a user while it runs headless: while
// an object of this class lives, every QMessageBox that is shown is recorded (title and
// text) and answered at once with its escape button (or its default one), as a user
// dismissing it would. The editor's code runs unchanged; only who answers differs.

#include <QObject>
#include <QStringList>

namespace VepCheck {

class MessageBoxCatcher : public QObject {
    Q_OBJECT
public:
    explicit MessageBoxCatcher(QObject *parent = nullptr);
    ~MessageBoxCatcher() override;

    // The texts of the boxes caught so far, oldest first.
    QStringList texts() const { return m_texts; }
    void clear() { m_texts.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList m_texts;
};

} // namespace VepCheck
