#pragma once

// One row of a rate table: a net (or top-level port) and its rate. The rate stays
// the text that was typed or read, so that a file is written back exactly as read.

#include <QString>

namespace ZEL {

struct NetRateItem {
    QString name;
    QString value; // empty: no rate given yet
};

} // namespace ZEL
