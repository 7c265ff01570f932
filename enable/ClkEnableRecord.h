#pragma once

// One clock of the clock enable table: the clock's enable value and one value per
// quadrant; negative values are unset.

#include <QString>

namespace ZEL {

struct ClkEnableRecord {
    QString name;
    float enable = -1;
    float quad1 = -1;
    float quad2 = -1;
    float quad3 = -1;
    float quad4 = -1;

    // Whether removing the row changes the document: a named row or one with any
    // value set (zero included) is written to the file.
    bool hasContent() const
    {
        return !name.isEmpty() || enable >= 0 || quad1 >= 0 || quad2 >= 0 || quad3 >= 0 ||
               quad4 >= 0;
    }
};

} // namespace ZEL
