#include "activity/ActivityHeader.h"

namespace Activity {

QString Signal::bitName(int i) const
{
    if (!vector)
        return name;
    const int index = msb >= lsb ? msb - i : msb + i;
    return name + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
}

QStringList Scope::signalBits() const
{
    QStringList bits;
    for (const Signal &signal : nets) {
        for (int i = 0, width = signal.width(); i < width; ++i)
            bits.append(signal.bitName(i));
    }
    return bits;
}

QString ActivityHeader::scopePath(int index) const
{
    QStringList names;
    for (int i = index; i >= 0 && i < scopes.size(); i = scopes.at(i).parent)
        names.prepend(scopes.at(i).name);
    return names.join(divider);
}

} // namespace Activity
