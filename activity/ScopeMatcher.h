#pragma once

// Finds which scope of an activity file holds the activity of a netlist instance, and how
// many of the instance's nets the file names. Netlist names are bit-level and
// '/'-separated relative to the instance ("u_ram/q[3]", "clk"); file names are compared
// after unescaping, with every hierarchy separator ('.', '/', the SAIF divider) taken as
// one, vectors expanded to bits, and, when the exact name is missing, ignoring case and a
// register suffix that synthesis adds ("cnt_reg[3]" matches "cnt[3]").

#include <QString>
#include <QStringList>

#include <memory>

namespace Activity {

struct ActivityHeader;

struct ScopeMatch {
    int scope = -1;  // index into ActivityHeader::scopes, -1 when nothing matched
    QString path;    // scopePath(scope)
    int matched = 0; // names found under the scope
    int total = 0;   // names asked for (duplicates counted once)
};

class ScopeMatcher {
public:
    // Indexes the header once; the header must outlive the matcher.
    explicit ScopeMatcher(const ActivityHeader &header);
    ~ScopeMatcher();
    ScopeMatcher(const ScopeMatcher &) = delete;
    ScopeMatcher &operator=(const ScopeMatcher &) = delete;

    // The scope under which most of `relativeNetNames` exist, found through an index of
    // the file's names, never by comparing every scope with every name.
    ScopeMatch best(const QStringList &relativeNetNames) const;
    // How many of `relativeNetNames` exist under `scope`.
    ScopeMatch match(int scope, const QStringList &relativeNetNames) const;
    // The scope whose path is `instancePath` ('/'-separated as in the netlist, or written
    // with the file's divider), or else the one scope whose path ends with it on a
    // separator (the design under a testbench: "u_core" finds "tb.u_dut.u_core");
    // case is ignored only when nothing matches exactly. -1 when there is none or the
    // suffix is ambiguous.
    int find(const QString &instancePath) const;

private:
    struct Index;
    const ActivityHeader &m_header;
    std::unique_ptr<Index> m_index;
};

// One-off forms of the above.
ScopeMatch bestScope(const ActivityHeader &header, const QStringList &relativeNetNames);
ScopeMatch matchScope(const ActivityHeader &header, int scope, const QStringList &relativeNetNames);
int findScope(const ActivityHeader &header, const QString &instancePath);

} // namespace Activity
