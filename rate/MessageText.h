#pragma once

// Names and paths from a file are shown in message boxes as they stand, but a box
// laying out megabytes of text freezes the IDE for minutes; such a text is shortened
// in its middle. Every name a real design has stays whole.

#include <QString>

namespace ZEL {

inline QString shownInMessage(const QString &text)
{
    constexpr int kMaxShown = 1000;
    constexpr int kKeptAtEachEnd = 480;
    if (text.size() <= kMaxShown)
        return text;
    return text.left(kKeptAtEachEnd) + QChar(0x2026) + text.right(kKeptAtEachEnd);
}

} // namespace ZEL
