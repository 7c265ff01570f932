#pragma once

// What the activity-file harnesses share: the bytes go through a file, as the readers
// take paths, and every header that comes back must be consistent.

#include "activity/ActivityHeader.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace ActivityFuzz {

inline QTemporaryDir *workDir()
{
    static QTemporaryDir *dir = new QTemporaryDir();
    return dir;
}

inline void initialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    workDir();
}

inline QString writeInput(const char *data, size_t size)
{
    const QString path = workDir()->filePath(QStringLiteral("input"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(data, qint64(size));
    return path;
}

// A refusal says why; an accepted header has a tree whose links agree.
inline void check(const Activity::ActivityHeader &h)
{
    if (!h.ok) {
        if (h.error.isEmpty())
            std::abort();
        return;
    }
    if (h.scopes.isEmpty() || (h.hasSpan && h.spanStart > h.spanEnd))
        std::abort();
    qint64 bits = 0;
    for (int i = 0; i < h.scopes.size(); ++i) {
        const Activity::Scope &scope = h.scopes.at(i);
        if (scope.parent >= i ||
            (scope.parent >= 0 && !h.scopes.at(scope.parent).children.contains(i)))
            std::abort();
        for (const int child : scope.children) {
            if (child <= i || child >= h.scopes.size() || h.scopes.at(child).parent != i)
                std::abort();
        }
        for (const Activity::Signal &net : scope.nets) {
            if (net.width() < 1 || net.bitName(net.width() - 1).isEmpty())
                std::abort();
            bits += net.width();
        }
        h.scopePath(i);
    }
    if (bits != h.bitCount)
        std::abort();
}

} // namespace ActivityFuzz
