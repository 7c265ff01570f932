#pragma once

// Small things most test programs need: whole-file reads and writes, the head of a
// configuration file, loading the built plug-in, and closing every view of the host.

#include <QByteArray>
#include <QString>
#include <QTest>

namespace TestSupport {

// The XML declaration and document type every configuration file starts with. Inline, so
// that it is initialized before any constant of a test file that is built from it.
inline const QByteArray kVepHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n";

QByteArray readBytes(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);

// Loads the plug-in library the way the IDE does; false (and a test failure) otherwise.
bool loadPlugin();

// One row of a data table: QTest::newRow(tag) << values...
template <typename... T> void row(const char *tag, T... values)
{
    (QTest::newRow(tag) << ... << values);
}

// Closes every view of the host without a prompt and runs the deferred deletes.
void closeAllViews();

// Arms the answer for stray boxes, closes them and every view: the common cleanup().
void cleanupViewsAndModals();

} // namespace TestSupport
