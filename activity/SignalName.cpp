#include "activity/SignalName.h"

#include "activity/ActivityHeader.h"
#include "activity/Limits.h"

namespace Activity {

namespace {

bool parseInt(const QString &text, int *value)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok);
    return ok;
}

// "[7:4]" or "[3]" into msb and lsb.
bool parseRange(const QString &range, int *msb, int *lsb)
{
    if (range.size() < 3 || !range.startsWith(QLatin1Char('[')) ||
        !range.endsWith(QLatin1Char(']')))
        return false;
    const QString inner = range.mid(1, range.size() - 2);
    const int colon = inner.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        if (!parseInt(inner, msb))
            return false;
        *lsb = *msb;
        return true;
    }
    return parseInt(inner.left(colon), msb) && parseInt(inner.mid(colon + 1), lsb);
}

bool setRange(const QString &name, int msb, int lsb, Signal *signal, QString *error)
{
    if (qAbs(qint64(msb) - lsb) >= Limits::MaxVectorWidth) {
        *error =
            QStringLiteral("\"%1\" is wider than %2 bits").arg(name).arg(Limits::MaxVectorWidth);
        return false;
    }
    signal->name = name;
    signal->msb = msb;
    signal->lsb = lsb;
    signal->vector = true;
    return true;
}

} // namespace

bool parseTimescale(const QByteArray &text, double *seconds)
{
    static const struct {
        const char *unit;
        double seconds;
    } units[] = {{"fs", 1e-15}, {"ps", 1e-12}, {"ns", 1e-9}, {"us", 1e-6}, {"ms", 1e-3}, {"s", 1}};
    const QByteArray compact = text.simplified().replace(' ', QByteArray());
    for (const auto &unit : units) {
        if (!compact.endsWith(unit.unit))
            continue;
        const QByteArray number = compact.left(compact.size() - int(qstrlen(unit.unit)));
        bool ok = false;
        const double value = number.isEmpty() ? 1 : number.toDouble(&ok);
        if ((!ok && !number.isEmpty()) || !(value > 0) || value > 1e6)
            return false;
        *seconds = value * unit.seconds;
        return true;
    }
    return false;
}

QString unescapedVcdName(const QByteArray &word)
{
    return QString::fromUtf8(word.startsWith('\\') ? word.mid(1) : word);
}

bool parseVcdReference(const QList<QByteArray> &words, int size, Signal *signal, QString *error)
{
    const QByteArray &reference = words.first();
    QByteArray rest;
    for (int i = 1; i < words.size(); ++i)
        rest += words.at(i);
    QString name;
    QString range;
    if (reference.startsWith('\\')) {
        name = QString::fromUtf8(reference.mid(1));
        range = QString::fromUtf8(rest);
    } else {
        const QString whole = QString::fromUtf8(reference + rest);
        const int open =
            whole.endsWith(QLatin1Char(']')) ? whole.lastIndexOf(QLatin1Char('[')) : -1;
        name = open > 0 ? whole.left(open) : whole;
        range = open > 0 ? whole.mid(open) : QString();
    }
    if (name.isEmpty()) {
        *error = QStringLiteral("a $var without a name");
        return false;
    }
    if (range.isEmpty()) {
        if (size == 1) {
            signal->name = name;
            signal->vector = false;
            return true;
        }
        return setRange(name, size - 1, 0, signal, error);
    }
    int msb = 0;
    int lsb = 0;
    if (!parseRange(range, &msb, &lsb)) {
        *error = QStringLiteral("bad bit range \"%1\" of \"%2\"").arg(range, name);
        return false;
    }
    // One element of an array of vectors ("mem[3]" of 8 bits): the index is part of the name.
    if (msb == lsb && size > 1 && !range.contains(QLatin1Char(':')))
        return setRange(name + range, size - 1, 0, signal, error);
    return setRange(name, msb, lsb, signal, error);
}

bool parseBitName(const QString &name, Signal *signal, QString *error)
{
    const int open = name.endsWith(QLatin1Char(']')) ? name.lastIndexOf(QLatin1Char('[')) : -1;
    int msb = 0;
    int lsb = 0;
    if (open > 0 && parseRange(name.mid(open), &msb, &lsb))
        return setRange(name.left(open), msb, lsb, signal, error);
    signal->name = name;
    signal->vector = false;
    return true;
}

void unescapeSaif(const QByteArray &word, QByteArray *plain)
{
    plain->clear();
    for (int i = 0; i < word.size(); ++i) {
        if (word.at(i) == '\\' && i + 1 < word.size())
            ++i;
        plain->append(word.at(i));
    }
}

bool singleBit(const QByteArray &name, int *open, int *index)
{
    const int size = name.size();
    if (size < 4 || name.at(size - 1) != ']')
        return false;
    int i = size - 2;
    qint64 value = 0;
    qint64 scale = 1;
    for (; i > 0 && name.at(i) >= '0' && name.at(i) <= '9' && scale <= 100000000; --i, scale *= 10)
        value += (name.at(i) - '0') * scale;
    if (i == size - 2 || name.at(i) != '[' || i == 0)
        return false;
    *open = i;
    *index = int(value);
    return true;
}

QString unescapedSaifName(const QByteArray &word)
{
    if (!word.contains('\\'))
        return QString::fromUtf8(word);
    QByteArray plain;
    plain.reserve(word.size());
    for (int i = 0; i < word.size(); ++i) {
        if (word.at(i) == '\\' && i + 1 < word.size())
            ++i;
        plain.append(word.at(i));
    }
    return QString::fromUtf8(plain);
}

QList<QByteArray> splitSaifPath(const QByteArray &word, char divider)
{
    QList<QByteArray> parts;
    int start = 0;
    for (int i = 0; i < word.size(); ++i) {
        if (word.at(i) == '\\') {
            ++i;
        } else if (word.at(i) == divider) {
            parts.append(word.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.append(word.mid(start));
    parts.removeAll(QByteArray());
    return parts;
}

namespace {

template <class Text> bool widen(QVector<Signal> &nets, const Text &name, int index)
{
    if (nets.isEmpty())
        return false;
    Signal &last = nets.last();
    if (!last.vector || qAbs(qint64(last.msb) - index) >= Limits::MaxVectorWidth ||
        last.name != name)
        return false;
    if ((last.msb >= last.lsb && index == qint64(last.lsb) - 1) ||
        (last.msb <= last.lsb && index == qint64(last.lsb) + 1)) {
        last.lsb = index;
        return true;
    }
    return false;
}

} // namespace

bool extendLast(QVector<Signal> &nets, QLatin1String name, int index)
{
    return widen(nets, name, index);
}

bool extendLast(QVector<Signal> &nets, const QString &name, int index)
{
    return widen(nets, name, index);
}

void appendNet(QVector<Signal> &nets, const Signal &net)
{
    if (!(net.vector && net.msb == net.lsb && extendLast(nets, net.name, net.msb)))
        nets.append(net);
}

} // namespace Activity
