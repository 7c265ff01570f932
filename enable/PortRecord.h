#pragma once

// One top-level port of the port output table: output enable and load capacitance
// in pF (negative: unset) and the port kind; kind 0 means the output enable does
// not apply.

#include <QString>

namespace ZEL {

struct PortRecord {
    QString name;
    float outEnable = -1;
    float capacity = -1;
    int kind = 0;
};

} // namespace ZEL
