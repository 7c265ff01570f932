#pragma once

// One simulation activity file of the rate page: which file, which module instance
// its activity belongs to, and for a VCD file an optional time window.

#include <QString>

namespace ZEL {

struct VcdFileItem {
    QString file;
    QString instance;
    bool isVcd = true;
    QString startTime; // empty: not set
    QString endTime;   // empty: not set
    QString timeUnit;
};

} // namespace ZEL
