#include "studio/TextFileView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace Studio {

TextFileView::TextFileView(QWidget *parent) : Core::IView(parent), m_text(new QPlainTextEdit(this))
{
    m_text->setObjectName(QStringLiteral("textContents"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
}

bool TextFileView::load(const QString &path, QString *error)
{
    QFile in(path);
    if (in.size() > MaxFileSize) {
        *error = tr("%1 is too large to show (%2 MB).")
                     .arg(QDir::toNativeSeparators(path))
                     .arg(in.size() / (1024 * 1024));
        return false;
    }
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = tr("Cannot open %1: %2").arg(QDir::toNativeSeparators(path), in.errorString());
        return false;
    }
    m_text->setPlainText(QString::fromUtf8(in.readAll()));
    m_file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    setWindowTitle(QFileInfo(path).fileName());
    setShortTitle(QFileInfo(path).fileName());
    return true;
}

QString TextFileView::file() const
{
    return m_file;
}

} // namespace Studio
