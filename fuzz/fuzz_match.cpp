// libFuzzer harness for the scope matcher: the input is an activity file (VCD when it
// starts with '$', else SAIF), then a line "%%", then netlist names, one per line. Every
// answer must name a real scope and never count more names than were asked for.

#include "activity/ScopeMatcher.h"
#include "fuzz/ActivityFuzz.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    ActivityFuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    int split = input.indexOf("\n%%\n");
    if (split < 0)
        split = input.size();
    const QString path = ActivityFuzz::writeInput(input.constData(), size_t(split));
    const Activity::ActivityHeader h =
        input.startsWith('$') ? Activity::readVcdHeader(path) : Activity::readSaifHeader(path);
    ActivityFuzz::check(h);
    if (!h.ok)
        return 0;
    const QStringList names = QString::fromUtf8(input.mid(split + 4)).split(QLatin1Char('\n'));
    const Activity::ScopeMatcher matcher(h);
    auto valid = [&h, &names](const Activity::ScopeMatch &m) {
        if (m.matched < 0 || m.matched > m.total || m.total > names.size() ||
            m.scope >= h.scopes.size() || (m.scope >= 0 && m.path != h.scopePath(m.scope)))
            std::abort();
    };
    valid(matcher.best(names));
    for (int s = 0; s < h.scopes.size() && s < 16; ++s)
        valid(matcher.match(s, names));
    for (const QString &name : names) {
        if (matcher.find(name) >= h.scopes.size())
            std::abort();
    }
    return 0;
}
