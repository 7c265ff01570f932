#pragma once

// A read-only view of a project file that no plug-in edits (a Verilog source, a
// synthesis script), so that the whole project can be looked at from the shell.

#include "host/core.h"

class QPlainTextEdit;

namespace Studio {

class TextFileView : public Core::IView {
    Q_OBJECT
public:
    explicit TextFileView(QWidget *parent = nullptr);

    // Larger files are refused: the shell is no text editor.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    bool load(const QString &path, QString *error);
    QString file() const;

private:
    QPlainTextEdit *m_text = nullptr;
    QString m_file;
};

} // namespace Studio
