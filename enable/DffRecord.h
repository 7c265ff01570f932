#pragma once

// One flip-flop instance of the flip-flop enable table and its local enable value
// (negative: unset).

#include <QString>

namespace ZEL {

struct DffRecord {
    QString name;
    float value = -1;
};

} // namespace ZEL
