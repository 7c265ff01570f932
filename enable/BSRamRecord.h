#pragma once

// One block-RAM instance of the block-RAM activity table: clock enable, read and
// write probabilities of its ports A and B (negative: unset) and its kind, which
// decides the cells that apply.

#include <QString>

namespace ZEL {

struct BSRamRecord {
    QString name;
    float clockA = -1;
    float clockB = -1;
    float readA = -1;
    float readB = -1;
    float writeA = -1;
    float writeB = -1;
    int kind = 0;
};

} // namespace ZEL
