#include "host/NetlistReader.h"

#include "host/nlsdata.h"

#include <QFile>

#include <simdjson.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace NlsData {

namespace {

namespace od = simdjson::ondemand;

// Local bit ids of a module are made dense (0..bitCount-1); constant bits ("0",
// "1", "x", "z") stay negative.
constexpr int32_t ConstantBit = -1;
// Values of a module instance's local-to-global bit map besides global ids.
constexpr int32_t Unassigned = -1;
constexpr int32_t TiedToConstant = -2;

// Limits that turn hostile or absurd files into an error instead of exhausting the
// stack or the memory: a module graph where each level instantiates the next one
// twice doubles the design at every level.
constexpr int MaxHierarchyDepth = 256;
constexpr int MaxPrimitives = 50'000'000;
constexpr int32_t MaxGlobalBits = 200'000'000;

constexpr qint64 ReadChunk = 16 << 20;

// Names outlive the JSON parser, whose buffers are the largest part of a read:
// the few strings kept are copied here so the parser can be freed before the
// netlist is built.
class StringArena {
public:
    std::string_view keep(std::string_view text)
    {
        if (text.empty())
            return {};
        if (m_left < text.size()) {
            const size_t size = std::max(text.size(), ChunkSize);
            m_chunks.emplace_back(new char[size]);
            m_next = m_chunks.back().get();
            m_left = size;
        }
        std::memcpy(m_next, text.data(), text.size());
        const std::string_view kept(m_next, text.size());
        m_next += text.size();
        m_left -= text.size();
        return kept;
    }

private:
    static constexpr size_t ChunkSize = 1 << 20;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    char *m_next = nullptr;
    size_t m_left = 0;
};

struct BitRange {
    uint32_t begin = 0;
    uint32_t count = 0;
};

struct Wire {
    std::string_view name;
    BitRange bits;
    int64_t offset = 0;
    bool upto = false;
    bool hidden = false;
    int direction = DirectionInput;
};

struct Connection {
    std::string_view port;
    BitRange bits;
    int direction = DirectionInput; // inputs and unknown pins alike
};

struct PortDirection {
    std::string_view port;
    int direction = DirectionOutput; // only outputs and inouts are kept
};

struct Cell {
    std::string_view name; // empty for hidden cells: their names are never shown
    std::string_view type;
    bool hidden = false;
    int64_t readPorts = -1;
    int64_t writePorts = -1;
    uint32_t connectionBegin = 0;
    uint32_t connectionCount = 0;
};

enum class NameKind { Cell, CellBit, WireBit, WholeWire, Fallback };

// One primitive instance a cell of a module turns into, named relative to the module.
struct PrimitiveTemplate {
    NameKind nameKind = NameKind::Fallback;
    uint32_t cell = 0;
    int32_t wire = -1; // index in Template::wires for the wire kinds
    int64_t index = 0; // bit position, or the counter of a fallback name
    int category = 0;
    int primitive = 0;
    uint32_t outputBegin = 0; // in Template::outputBits: the outputs, then the inouts
    uint32_t outputCount = 0;
    uint32_t inoutCount = 0;
};

struct Module;

struct TemplateItem {
    Module *submodule = nullptr; // null: primitives [first, first + count)
    uint32_t first = 0;
    uint32_t count = 0;
};

// What a module turns into, worked out once however often the module is used.
struct Template {
    std::vector<const Wire *> wires; // name sources: ports first, then visible netnames
    std::vector<PrimitiveTemplate> primitives;
    std::vector<int32_t> outputBits;
    std::vector<TemplateItem> items;
    std::unordered_map<std::string_view, uint32_t> portIndex;
};

struct Module {
    std::string_view name;
    bool top = false;
    bool blackbox = false;
    std::vector<Wire> ports;
    std::vector<Wire> netnames; // visible ones only
    std::vector<Cell> cells;
    std::vector<Connection> connections;
    std::vector<int32_t> bits;
    int32_t bitCount = 0;
    bool instantiated = false;
    bool onStack = false;
    std::unique_ptr<Template> layout;
};

QString jsonError(simdjson::error_code code)
{
    return QString::fromLatin1(simdjson::error_message(code));
}

QString text(std::string_view view)
{
    return QString::fromUtf8(view.data(), int(view.size()));
}

void appendBitName(QString &out, const Wire &wire, int64_t position)
{
    out += text(wire.name);
    if (wire.bits.count == 1 && wire.offset == 0)
        return;
    const int64_t index = wire.upto ? wire.offset + (int64_t(wire.bits.count) - 1 - position)
                                    : wire.offset + position;
    out += QLatin1Char('[');
    out += QString::number(index);
    out += QLatin1Char(']');
}

// Yosys writes numeric attributes and parameters as binary digit strings; newer
// writers may use JSON numbers.
bool integerValue(od::value &value, int64_t *result)
{
    od::json_type type;
    if (value.type().get(type))
        return false;
    if (type == od::json_type::number)
        return !value.get_int64().get(*result);
    if (type == od::json_type::boolean) {
        bool flag = false;
        if (value.get_bool().get(flag))
            return false;
        *result = flag ? 1 : 0;
        return true;
    }
    if (type != od::json_type::string)
        return false;
    std::string_view digits;
    if (value.get_string().get(digits) || digits.empty() || digits.size() > 62)
        return false;
    int64_t number = 0;
    for (const char c : digits) {
        if (c != '0' && c != '1' && c != 'x' && c != 'z')
            return false;
        number = (number << 1) | (c == '1' ? 1 : 0);
    }
    *result = number;
    return true;
}

bool flagValue(od::value &value)
{
    int64_t number = 0;
    return integerValue(value, &number) && number != 0;
}

// Walks the document once, front to back, keeping only what the netlist needs.
// Fixed member names ("cells", "bits", ...) are compared raw: unescaping every key
// would fill the parser's string buffer with a copy of each one, about a tenth of
// the file on a large design. Only names that are kept are unescaped.
class JsonWalker {
public:
    JsonWalker(std::deque<Module> &modules, StringArena &arena, ReadProgress *progress,
               const char *begin, size_t size)
        : m_modules(modules), m_arena(arena), m_progress(progress), m_begin(begin), m_size(size)
    {}

    bool walk(od::document &document);
    QString error;
    qint64 cellCount = 0;

private:
    using RawKey = od::raw_json_string; // fixed member names
    using NameKey = std::string_view;   // names that are kept

    bool fail(const QString &message);
    bool failJson(simdjson::error_code code, const QString &what);
    // Calls visit(key, value) for each member in document order until it returns
    // false (having failed). `section` names the object in messages; null when the
    // place is named by m_module and m_item alone.
    template <class Key, class Visit>
    bool forEachMember(od::value &value, const char *section, Visit &&visit);
    template <class Key, class Visit>
    bool forEachMember(od::object &object, const char *section, Visit &&visit);
    bool readModules(od::value &value);
    bool readModule(od::value &value, Module &module);
    bool readAttributes(od::value &value, Module &module);
    bool readWires(od::value &value, std::vector<Wire> &wires, bool ports);
    bool readCells(od::value &value, Module &module);
    bool readCell(od::value &value, Module &module, Cell &cell);
    bool readParameters(od::value &value, Cell &cell);
    bool readDirections(od::value &value);
    bool readConnections(od::value &value, Module &module);
    bool readBits(od::value &value, BitRange *range);
    void densify(Module &module);
    bool reportProgress();

    std::deque<Module> &m_modules;
    StringArena &m_arena;
    ReadProgress *m_progress;
    const char *m_begin;
    const size_t m_size;
    od::document *m_document = nullptr;
    std::vector<int64_t> m_rawBits;              // bits of the module being read, as written
    std::vector<PortDirection> m_cellDirections; // of the cell being read
    std::string_view m_module;                   // where we are, for messages
    std::string_view m_item;
};

bool JsonWalker::fail(const QString &message)
{
    if (!error.isEmpty())
        return false;
    QString where;
    if (!m_module.empty())
        where = QStringLiteral("module \"%1\"").arg(text(m_module));
    if (!m_item.empty())
        where += QStringLiteral(", \"%1\"").arg(text(m_item));
    error = where.isEmpty() ? message : QStringLiteral("%1: %2").arg(where, message);
    return false;
}

bool JsonWalker::failJson(simdjson::error_code code, const QString &what)
{
    return fail(QStringLiteral("%1 (%2)").arg(what, jsonError(code)));
}

bool JsonWalker::reportProgress()
{
    if (!m_progress)
        return true;
    const char *location = nullptr;
    if (m_size > 0 && !m_document->current_location().get(location) && location >= m_begin)
        m_progress->percent = 30 + int(40.0 * double(location - m_begin) / double(m_size));
    if (m_progress->cancelled)
        return fail(QStringLiteral("cancelled"));
    return true;
}

template <class Key, class Visit>
bool JsonWalker::forEachMember(od::value &value, const char *section, Visit &&visit)
{
    od::object object;
    if (auto code = value.get_object().get(object))
        return failJson(code,
                        section ? QStringLiteral("%1 is not an object").arg(QLatin1String(section))
                                : QStringLiteral("not an object"));
    return forEachMember<Key>(object, section, std::forward<Visit>(visit));
}

template <class Key, class Visit>
bool JsonWalker::forEachMember(od::object &object, const char *section, Visit &&visit)
{
    static_assert(std::is_same<Key, RawKey>::value || std::is_same<Key, NameKey>::value,
                  "a member name is either raw or unescaped");
    for (auto field : object) {
        Key key;
        simdjson::error_code code;
        if constexpr (std::is_same<Key, NameKey>::value)
            code = field.unescaped_key().get(key);
        else
            code = field.key().get(key);
        od::value member;
        if (!code)
            code = field.value().get(member);
        if (code)
            return failJson(
                code, section ? QStringLiteral("malformed JSON in %1").arg(QLatin1String(section))
                              : QStringLiteral("malformed JSON"));
        if (!visit(key, member))
            return false;
    }
    return true;
}

bool JsonWalker::walk(od::document &document)
{
    m_document = &document;
    od::object root;
    if (auto code = document.get_object().get(root))
        return failJson(code, QStringLiteral("the file is not a JSON object"));
    bool sawModules = false;
    const bool ok =
        forEachMember<RawKey>(root, nullptr, [this, &sawModules](RawKey key, od::value &value) {
            if (key != "modules")
                return true;
            sawModules = true;
            return readModules(value);
        });
    if (!ok)
        return false;
    if (!sawModules)
        return fail(QStringLiteral("there is no \"modules\" object"));
    return true;
}

bool JsonWalker::readModules(od::value &value)
{
    return forEachMember<NameKey>(value, "\"modules\"", [this](NameKey name, od::value &body) {
        m_modules.emplace_back();
        Module &module = m_modules.back();
        module.name = m_arena.keep(name);
        m_module = module.name;
        if (!readModule(body, module) || !reportProgress())
            return false;
        m_module = {};
        return true;
    });
}

bool JsonWalker::readModule(od::value &value, Module &module)
{
    m_rawBits.clear();
    const bool ok =
        forEachMember<RawKey>(value, nullptr, [this, &module](RawKey key, od::value &member) {
            if (key == "attributes")
                return readAttributes(member, module);
            if (key == "ports")
                return readWires(member, module.ports, true);
            if (key == "netnames")
                return readWires(member, module.netnames, false);
            if (key == "cells")
                return readCells(member, module);
            return true;
        });
    if (!ok)
        return false;
    densify(module);
    return true;
}

bool JsonWalker::readAttributes(od::value &value, Module &module)
{
    return forEachMember<RawKey>(value, "\"attributes\"", [&module](RawKey key, od::value &member) {
        if (key == "top")
            module.top = flagValue(member);
        else if (key == "blackbox" || key == "whitebox")
            module.blackbox = module.blackbox || flagValue(member);
        return true;
    });
}

bool JsonWalker::readWires(od::value &value, std::vector<Wire> &wires, bool ports)
{
    const char *section = ports ? "\"ports\"" : "\"netnames\"";
    return forEachMember<NameKey>(
        value, section, [this, &wires, ports](NameKey name, od::value &body) {
            m_item = name;
            Wire wire;
            wire.hidden = !ports && !name.empty() && name.front() == '$';
            bool sawBits = false;
            const size_t rawBefore = m_rawBits.size();
            const bool ok = forEachMember<RawKey>(
                body, nullptr, [this, &wire, &sawBits, ports](RawKey key, od::value &item) {
                    if (key == "bits") {
                        // Hidden netnames name nothing a user sees; their bits are not needed.
                        if (wire.hidden)
                            return true;
                        if (!readBits(item, &wire.bits))
                            return false;
                        sawBits = true;
                    } else if (key == "hide_name") {
                        wire.hidden = wire.hidden || flagValue(item);
                    } else if (key == "offset") {
                        int64_t offset = 0;
                        if (integerValue(item, &offset) && offset > -(int64_t(1) << 40) &&
                            offset < (int64_t(1) << 40))
                            wire.offset = offset;
                    } else if (key == "upto") {
                        wire.upto = flagValue(item);
                    } else if (key == "direction" && ports) {
                        od::raw_json_string direction;
                        if (auto code = item.get_raw_json_string().get(direction))
                            return failJson(code, QStringLiteral("bad direction"));
                        wire.direction = direction == "output"  ? DirectionOutput
                                         : direction == "inout" ? DirectionInout
                                                                : DirectionInput;
                    }
                    return true;
                });
            if (!ok)
                return false;
            if (wire.hidden) {
                m_rawBits.resize(rawBefore);
            } else {
                if (!sawBits)
                    return fail(QStringLiteral("no bits"));
                wire.name = m_arena.keep(name);
                wires.push_back(wire);
            }
            m_item = {};
            return true;
        });
}

bool JsonWalker::readCells(od::value &value, Module &module)
{
    return forEachMember<NameKey>(value, "\"cells\"",
                                  [this, &module](NameKey name, od::value &body) {
                                      m_item = name;
                                      Cell cell;
                                      cell.hidden = !name.empty() && name.front() == '$';
                                      if (!readCell(body, module, cell))
                                          return false;
                                      if (!cell.hidden)
                                          cell.name = m_arena.keep(name);
                                      module.cells.push_back(cell);
                                      m_item = {};
                                      return (++cellCount & 0x3fff) != 0 || reportProgress();
                                  });
}

bool JsonWalker::readCell(od::value &value, Module &module, Cell &cell)
{
    cell.connectionBegin = uint32_t(module.connections.size());
    m_cellDirections.clear();
    bool sawType = false;
    const bool ok = forEachMember<RawKey>(
        value, nullptr, [this, &module, &cell, &sawType](RawKey key, od::value &member) {
            if (key == "type") {
                std::string_view type;
                if (auto code = member.get_string().get(type))
                    return failJson(code, QStringLiteral("the type is not a string"));
                cell.type = m_arena.keep(type);
                sawType = true;
            } else if (key == "hide_name") {
                cell.hidden = cell.hidden || flagValue(member);
            } else if (key == "parameters") {
                return readParameters(member, cell);
            } else if (key == "port_directions") {
                return readDirections(member);
            } else if (key == "connections") {
                return readConnections(member, module);
            }
            return true;
        });
    if (!ok)
        return false;
    if (!sawType)
        return fail(QStringLiteral("no type"));
    cell.connectionCount = uint32_t(module.connections.size() - cell.connectionBegin);
    // Resolved here rather than kept per pin: a million cells' pin names would
    // otherwise stay in memory for the whole read.
    for (const PortDirection &direction : m_cellDirections) {
        for (uint32_t k = 0; k < cell.connectionCount; ++k) {
            Connection &connection = module.connections[cell.connectionBegin + k];
            if (connection.port == direction.port)
                connection.direction = direction.direction;
        }
    }
    return true;
}

bool JsonWalker::readParameters(od::value &value, Cell &cell)
{
    return forEachMember<RawKey>(value, "\"parameters\"", [&cell](RawKey key, od::value &member) {
        int64_t number = 0;
        if (key == "RD_PORTS" && integerValue(member, &number))
            cell.readPorts = number;
        else if (key == "WR_PORTS" && integerValue(member, &number))
            cell.writePorts = number;
        return true;
    });
}

bool JsonWalker::readDirections(od::value &value)
{
    return forEachMember<NameKey>(
        value, "\"port_directions\"", [this](NameKey port, od::value &member) {
            od::raw_json_string direction;
            if (auto code = member.get_raw_json_string().get(direction))
                return failJson(code, QStringLiteral("a port direction is not a string"));
            // The parser's copy of the name lives until the cell is done with it.
            if (direction == "output")
                m_cellDirections.push_back({port, DirectionOutput});
            else if (direction == "inout")
                m_cellDirections.push_back({port, DirectionInout});
            return true;
        });
}

bool JsonWalker::readConnections(od::value &value, Module &module)
{
    return forEachMember<NameKey>(value, "\"connections\"",
                                  [this, &module](NameKey port, od::value &member) {
                                      Connection connection;
                                      if (!readBits(member, &connection.bits))
                                          return false;
                                      connection.port = m_arena.keep(port);
                                      module.connections.push_back(connection);
                                      return true;
                                  });
}

bool JsonWalker::readBits(od::value &value, BitRange *range)
{
    od::array array;
    if (auto code = value.get_array().get(array))
        return failJson(code, QStringLiteral("the bits are not an array"));
    const size_t begin = m_rawBits.size();
    for (auto element : array) {
        od::value bit;
        if (auto code = element.get(bit))
            return failJson(code, QStringLiteral("malformed bits"));
        od::json_type type;
        if (auto code = bit.type().get(type))
            return failJson(code, QStringLiteral("malformed bits"));
        if (type == od::json_type::number) {
            int64_t id = 0;
            if (auto code = bit.get_int64().get(id))
                return failJson(code, QStringLiteral("a bit is not an integer"));
            if (id < 0 || id > INT32_MAX)
                return fail(QStringLiteral("bit %1 is out of range").arg(id));
            m_rawBits.push_back(id);
        } else if (type == od::json_type::string) {
            std::string_view constant;
            if (auto code = bit.get_string().get(constant))
                return failJson(code, QStringLiteral("malformed bits"));
            if (constant != "0" && constant != "1" && constant != "x" && constant != "z")
                return fail(QStringLiteral("\"%1\" is not a bit").arg(text(constant)));
            m_rawBits.push_back(-1);
        } else {
            return fail(QStringLiteral("a bit is neither a number nor a constant"));
        }
    }
    if (m_rawBits.size() > UINT32_MAX)
        return fail(QStringLiteral("too many bits"));
    range->begin = uint32_t(begin);
    range->count = uint32_t(m_rawBits.size() - begin);
    return true;
}

// Bit ids are arbitrary integers; numbering them densely per module lets every
// map over a module's bits be a plain vector.
void JsonWalker::densify(Module &module)
{
    int64_t highest = -1;
    for (const int64_t id : m_rawBits)
        highest = std::max(highest, id);
    module.bits.resize(m_rawBits.size());
    int32_t next = 0;
    if (highest < int64_t(m_rawBits.size()) * 4 + 4096) {
        std::vector<int32_t> dense(size_t(highest + 1), -1);
        for (size_t i = 0; i < m_rawBits.size(); ++i) {
            const int64_t id = m_rawBits[i];
            if (id < 0) {
                module.bits[i] = ConstantBit;
                continue;
            }
            if (dense[size_t(id)] < 0)
                dense[size_t(id)] = next++;
            module.bits[i] = dense[size_t(id)];
        }
    } else {
        std::vector<int64_t> ids;
        ids.reserve(m_rawBits.size());
        for (const int64_t id : m_rawBits) {
            if (id >= 0)
                ids.push_back(id);
        }
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        for (size_t i = 0; i < m_rawBits.size(); ++i) {
            const int64_t id = m_rawBits[i];
            module.bits[i] =
                id < 0 ? ConstantBit
                       : int32_t(std::lower_bound(ids.begin(), ids.end(), id) - ids.begin());
        }
        next = int32_t(ids.size());
    }
    module.bitCount = next;
    m_rawBits.clear();
}

// ---------------------------------------------------------------------------

// Instantiates the top module recursively, giving every electrical bit one global
// id (a union-find merges bits that a sub-module connects internally), then makes
// nets of the bits that have a visible name, the top-level ports and the drivers.
class Elaborator {
public:
    Elaborator(std::deque<Module> &modules, const CellTable &cells, ReadProgress *progress,
               qint64 cellCount)
        : m_modules(modules), m_cells(cells), m_progress(progress),
          m_cellCount(std::max<qint64>(cellCount, 1))
    {}

    Netlist *run(QString *error);

private:
    struct Context {
        QString prefix;
        const Template *layout = nullptr;
        int depth = 0;
    };

    bool fail(const QString &message);
    Module *findTop();
    Template &layoutOf(Module &module);
    CellType cellType(std::string_view type);
    bool elaborate(Module &module, const QString &prefix, std::vector<int32_t> &map, int depth);
    bool connectSubmodule(Module &parent, const Cell &cell, std::vector<int32_t> &parentMap,
                          Module &child, std::vector<int32_t> &childMap);
    QString primitiveName(const Module &module, const Template &layout,
                          const PrimitiveTemplate &primitive) const;
    int32_t globalOf(std::vector<int32_t> &map, int32_t bit);
    int32_t find(int32_t bit);
    void unite(int32_t a, int32_t b);
    void finish(Module &top, const std::vector<int32_t> &topMap);

    std::deque<Module> &m_modules;
    const CellTable &m_cells;
    ReadProgress *m_progress;
    const qint64 m_cellCount;
    std::unordered_map<std::string_view, Module *> m_byName;
    std::unordered_map<std::string_view, CellType> m_typeCache;
    std::unique_ptr<Netlist> m_netlist;
    QString m_error;
    bool m_tooManyBits = false;

    // Per global bit.
    std::vector<int32_t> m_parent;
    std::vector<int32_t> m_nameContext; // -1: no visible name yet
    std::vector<int32_t> m_nameWire;
    std::vector<int32_t> m_namePosition;

    std::vector<Context> m_contexts;
    std::vector<std::pair<int32_t, Instance *>> m_drivers;
    std::vector<std::pair<int32_t, Instance *>> m_weakDrivers; // through inout pins
};

bool Elaborator::fail(const QString &message)
{
    if (m_error.isEmpty())
        m_error = message;
    return false;
}

Module *Elaborator::findTop()
{
    for (Module &module : m_modules) {
        if (!module.blackbox && module.top)
            return &module;
    }
    for (Module &module : m_modules) {
        for (const Cell &cell : module.cells) {
            const auto it = m_byName.find(cell.type);
            if (it != m_byName.end() && it->second != &module)
                it->second->instantiated = true;
        }
    }
    std::vector<Module *> roots;
    for (Module &module : m_modules) {
        if (!module.blackbox && !module.instantiated)
            roots.push_back(&module);
    }
    if (roots.size() == 1)
        return roots.front();
    if (roots.empty()) {
        fail(m_modules.empty() ? QStringLiteral("there are no modules")
                               : QStringLiteral("there is no top module"));
        return nullptr;
    }
    QStringList names;
    for (const Module *module : roots)
        names << text(module->name);
    if (names.size() > 5)
        names = names.mid(0, 5) << QStringLiteral("...");
    fail(QStringLiteral("the top module is not marked and %1 modules are not instantiated (%2)")
             .arg(roots.size())
             .arg(names.join(QStringLiteral(", "))));
    return nullptr;
}

CellType Elaborator::cellType(std::string_view type)
{
    const auto cached = m_typeCache.find(type);
    if (cached != m_typeCache.end())
        return cached->second;
    const CellType found = m_cells.lookup(text(type));
    m_typeCache.emplace(type, found);
    return found;
}

static bool sameBits(const Module &module, const Connection *a, const Connection *b)
{
    if (!a || !b || a->bits.count != b->bits.count || a->bits.count == 0)
        return false;
    return std::equal(module.bits.begin() + a->bits.begin,
                      module.bits.begin() + a->bits.begin + a->bits.count,
                      module.bits.begin() + b->bits.begin);
}

Template &Elaborator::layoutOf(Module &module)
{
    if (module.layout)
        return *module.layout;
    module.layout = std::make_unique<Template>();
    Template &layout = *module.layout;

    for (uint32_t i = 0; i < module.ports.size(); ++i)
        layout.portIndex.emplace(module.ports[i].name, i);

    // Nets prefer the port names; cells are named after internal wires first,
    // because a register (`cnt`) is what a user looks for, not the port it feeds.
    for (const Wire &wire : module.ports)
        layout.wires.push_back(&wire);
    for (const Wire &wire : module.netnames)
        layout.wires.push_back(&wire);
    std::vector<int32_t> cellWire(size_t(module.bitCount), -1);
    std::vector<int32_t> cellPosition(size_t(module.bitCount), -1);
    const int32_t portCount = int32_t(module.ports.size());
    auto claim = [&module, &cellWire, &cellPosition](const Wire &wire, int32_t index) {
        for (uint32_t p = 0; p < wire.bits.count; ++p) {
            const int32_t bit = module.bits[wire.bits.begin + p];
            if (bit >= 0 && cellWire[size_t(bit)] < 0) {
                cellWire[size_t(bit)] = index;
                cellPosition[size_t(bit)] = int32_t(p);
            }
        }
    };
    for (size_t i = 0; i < module.netnames.size(); ++i) {
        if (!layout.portIndex.count(module.netnames[i].name))
            claim(module.netnames[i], portCount + int32_t(i));
    }
    for (int32_t i = 0; i < portCount; ++i)
        claim(module.ports[size_t(i)], i);

    int64_t fallbacks = 0;
    for (uint32_t c = 0; c < module.cells.size(); ++c) {
        const Cell &cell = module.cells[c];
        const auto sub = m_byName.find(cell.type);
        if (sub != m_byName.end() && !sub->second->blackbox) {
            layout.items.push_back({sub->second, c, 0});
            continue;
        }
        const CellType type = cellType(cell.type);
        const Connection *readAddress = nullptr;
        const Connection *writeAddress = nullptr;
        const Connection *firstOutput = nullptr;
        const uint32_t outputBegin = uint32_t(layout.outputBits.size());
        std::vector<const Connection *> inouts;
        for (uint32_t k = 0; k < cell.connectionCount; ++k) {
            const Connection &connection = module.connections[cell.connectionBegin + k];
            if (connection.port == "RD_ADDR")
                readAddress = &connection;
            else if (connection.port == "WR_ADDR")
                writeAddress = &connection;
            if (connection.direction == DirectionInput)
                continue;
            if (connection.direction == DirectionInout) {
                inouts.push_back(&connection);
                continue;
            }
            if (!firstOutput)
                firstOutput = &connection;
            for (uint32_t p = 0; p < connection.bits.count; ++p)
                layout.outputBits.push_back(module.bits[connection.bits.begin + p]);
        }
        const uint32_t outputCount = uint32_t(layout.outputBits.size()) - outputBegin;
        // A pad's bidirectional pin drives its net too, but only where no output does.
        for (const Connection *connection : inouts) {
            for (uint32_t p = 0; p < connection->bits.count; ++p)
                layout.outputBits.push_back(module.bits[connection->bits.begin + p]);
        }
        const uint32_t inoutCount = uint32_t(layout.outputBits.size()) - outputBegin - outputCount;
        const int primitiveCode = type.primitiveFor(cell.readPorts, cell.writePorts,
                                                    sameBits(module, readAddress, writeAddress));
        PrimitiveTemplate primitive;
        primitive.cell = c;
        primitive.category = type.category;
        primitive.primitive = primitiveCode;
        auto nameAfterBit = [&](PrimitiveTemplate &target, int32_t bit) {
            if (bit >= 0 && cellWire[size_t(bit)] >= 0) {
                target.nameKind = NameKind::WireBit;
                target.wire = cellWire[size_t(bit)];
                target.index = cellPosition[size_t(bit)];
            } else {
                target.nameKind = NameKind::Fallback;
                target.index = fallbacks++;
            }
        };

        const TemplateItem item{nullptr, uint32_t(layout.primitives.size()), 0};
        // A multi-bit register cell is as many flip-flops as it has output bits;
        // each is named and found on its own, as in a bit-level netlist.
        if (type.category == CategoryFlipFlop && firstOutput && firstOutput->bits.count > 1) {
            for (uint32_t p = 0; p < firstOutput->bits.count; ++p) {
                PrimitiveTemplate bitCell = primitive;
                const int32_t bit = module.bits[firstOutput->bits.begin + p];
                if (cell.hidden) {
                    nameAfterBit(bitCell, bit);
                } else {
                    bitCell.nameKind = NameKind::CellBit;
                    bitCell.index = p;
                }
                bitCell.outputBegin = outputBegin + p;
                bitCell.outputCount = 1;
                layout.primitives.push_back(bitCell);
            }
        } else {
            primitive.outputBegin = outputBegin;
            primitive.outputCount = outputCount;
            primitive.inoutCount = inoutCount;
            if (!cell.hidden) {
                primitive.nameKind = NameKind::Cell;
            } else if (!firstOutput) {
                nameAfterBit(primitive, ConstantBit);
            } else {
                const int32_t *bits = module.bits.data() + firstOutput->bits.begin;
                const int32_t *firstBit = std::find_if(bits, bits + firstOutput->bits.count,
                                                       [](int32_t bit) { return bit >= 0; });
                nameAfterBit(primitive,
                             firstBit == bits + firstOutput->bits.count ? ConstantBit : *firstBit);
                if (primitive.nameKind == NameKind::WireBit) {
                    const Wire &wire = *layout.wires[size_t(primitive.wire)];
                    if (wire.bits.count > 1 && wire.bits.count == firstOutput->bits.count &&
                        std::equal(bits, bits + firstOutput->bits.count,
                                   module.bits.begin() + wire.bits.begin))
                        primitive.nameKind = NameKind::WholeWire;
                }
            }
            layout.primitives.push_back(primitive);
        }
        TemplateItem done = item;
        done.count = uint32_t(layout.primitives.size()) - item.first;
        if (!layout.items.empty() && !layout.items.back().submodule)
            layout.items.back().count += done.count;
        else
            layout.items.push_back(done);
    }
    return layout;
}

QString Elaborator::primitiveName(const Module &module, const Template &layout,
                                  const PrimitiveTemplate &primitive) const
{
    const Cell &cell = module.cells[primitive.cell];
    QString name;
    switch (primitive.nameKind) {
    case NameKind::Cell:
        return text(cell.name);
    case NameKind::CellBit:
        name = text(cell.name);
        name += QLatin1Char('[') + QString::number(primitive.index) + QLatin1Char(']');
        return name;
    case NameKind::WireBit:
        appendBitName(name, *layout.wires[size_t(primitive.wire)], primitive.index);
        return name;
    case NameKind::WholeWire:
        return text(layout.wires[size_t(primitive.wire)]->name);
    case NameKind::Fallback:
        break;
    }
    return QStringLiteral("%1_%2").arg(text(cell.type)).arg(primitive.index);
}

int32_t Elaborator::globalOf(std::vector<int32_t> &map, int32_t bit)
{
    if (bit < 0)
        return -1;
    int32_t &global = map[size_t(bit)];
    if (global == Unassigned) {
        if (int32_t(m_parent.size()) >= MaxGlobalBits) {
            m_tooManyBits = true;
            return -1;
        }
        global = int32_t(m_parent.size());
        m_parent.push_back(global);
        m_nameContext.push_back(-1);
        m_nameWire.push_back(-1);
        m_namePosition.push_back(-1);
    }
    return global == TiedToConstant ? -1 : global;
}

int32_t Elaborator::find(int32_t bit)
{
    while (m_parent[size_t(bit)] != bit) {
        m_parent[size_t(bit)] = m_parent[size_t(m_parent[size_t(bit)])];
        bit = m_parent[size_t(bit)];
    }
    return bit;
}

// The surviving root keeps the name from the highest level of the hierarchy.
void Elaborator::unite(int32_t a, int32_t b)
{
    a = find(a);
    b = find(b);
    if (a == b)
        return;
    const int32_t contextA = m_nameContext[size_t(a)];
    const int32_t contextB = m_nameContext[size_t(b)];
    bool keepA = true;
    if (contextA < 0 && contextB >= 0)
        keepA = false;
    else if (contextA >= 0 && contextB >= 0 &&
             m_contexts[size_t(contextB)].depth < m_contexts[size_t(contextA)].depth)
        keepA = false;
    else if (contextA < 0 && contextB < 0)
        keepA = a < b;
    if (keepA)
        m_parent[size_t(b)] = a;
    else
        m_parent[size_t(a)] = b;
}

bool Elaborator::connectSubmodule(Module &parent, const Cell &cell, std::vector<int32_t> &parentMap,
                                  Module &child, std::vector<int32_t> &childMap)
{
    const Template &childLayout = layoutOf(child);
    for (uint32_t k = 0; k < cell.connectionCount; ++k) {
        const Connection &connection = parent.connections[cell.connectionBegin + k];
        const auto port = childLayout.portIndex.find(connection.port);
        if (port == childLayout.portIndex.end())
            continue;
        const Wire &wire = child.ports[port->second];
        const uint32_t width = std::min(wire.bits.count, connection.bits.count);
        for (uint32_t p = 0; p < width; ++p) {
            const int32_t childBit = child.bits[wire.bits.begin + p];
            if (childBit < 0)
                continue;
            int32_t &mapped = childMap[size_t(childBit)];
            const int32_t global = globalOf(parentMap, parent.bits[connection.bits.begin + p]);
            if (global < 0) {
                if (mapped == Unassigned)
                    mapped = TiedToConstant;
            } else if (mapped == Unassigned || mapped == TiedToConstant) {
                mapped = global;
            } else {
                unite(mapped, global);
            }
        }
    }
    return !m_tooManyBits || fail(QStringLiteral("the design has too many bits"));
}

bool Elaborator::elaborate(Module &module, const QString &prefix, std::vector<int32_t> &map,
                           int depth)
{
    if (depth > MaxHierarchyDepth)
        return fail(QStringLiteral("the module hierarchy is deeper than %1 levels (at %2)")
                        .arg(MaxHierarchyDepth)
                        .arg(text(module.name)));
    if (module.onStack)
        return fail(QStringLiteral("module \"%1\" instantiates itself through its sub-modules")
                        .arg(text(module.name)));
    const Template &layout = layoutOf(module);
    module.onStack = true;

    // Name the bits before descending, so that a bit keeps the name of the highest
    // level where it has a visible one.
    const int32_t context = int32_t(m_contexts.size());
    m_contexts.push_back({prefix, &layout, depth});
    for (size_t w = 0; w < layout.wires.size(); ++w) {
        const Wire &wire = *layout.wires[w];
        for (uint32_t p = 0; p < wire.bits.count; ++p) {
            const int32_t global = globalOf(map, module.bits[wire.bits.begin + p]);
            if (global < 0)
                continue;
            const int32_t root = find(global);
            if (m_nameContext[size_t(root)] < 0) {
                m_nameContext[size_t(root)] = context;
                m_nameWire[size_t(root)] = int32_t(w);
                m_namePosition[size_t(root)] = int32_t(p);
            }
        }
    }
    if (m_tooManyBits)
        return fail(QStringLiteral("the design has too many bits"));

    for (const TemplateItem &item : layout.items) {
        if (item.submodule) {
            const Cell &cell = module.cells[item.first];
            const QString path = prefix + text(cell.name.empty() ? cell.type : cell.name);
            m_netlist->addSubmodule(path);
            Module &child = *item.submodule;
            std::vector<int32_t> childMap(size_t(child.bitCount), Unassigned);
            if (!connectSubmodule(module, cell, map, child, childMap) ||
                !elaborate(child, path + QLatin1Char('/'), childMap, depth + 1))
                return false;
            continue;
        }
        for (uint32_t i = 0; i < item.count; ++i) {
            const PrimitiveTemplate &primitive = layout.primitives[item.first + i];
            Instance *instance =
                m_netlist->addPrimitive(prefix + primitiveName(module, layout, primitive),
                                        primitive.category, primitive.primitive);
            for (uint32_t o = 0; o < primitive.outputCount + primitive.inoutCount; ++o) {
                const int32_t global = globalOf(map, layout.outputBits[primitive.outputBegin + o]);
                if (global >= 0)
                    (o < primitive.outputCount ? m_drivers : m_weakDrivers)
                        .emplace_back(global, instance);
            }
            const int count = m_netlist->allPrimInstances().size();
            if ((count & 0xffff) == 0 && m_progress) {
                m_progress->percent = 70 + int(std::min<qint64>(25, 25 * count / m_cellCount));
                if (m_progress->cancelled)
                    return fail(QStringLiteral("cancelled"));
            }
            if (count >= MaxPrimitives)
                return fail(QStringLiteral("the design has more than %1 primitive instances")
                                .arg(MaxPrimitives));
        }
        if (m_tooManyBits)
            return fail(QStringLiteral("the design has too many bits"));
    }
    module.onStack = false;
    return true;
}

void Elaborator::finish(Module &top, const std::vector<int32_t> &topMap)
{
    std::vector<Net *> netOf(m_parent.size(), nullptr);
    for (size_t bit = 0; bit < m_parent.size(); ++bit) {
        if (m_parent[bit] != int32_t(bit) || m_nameContext[bit] < 0)
            continue;
        const Context &context = m_contexts[size_t(m_nameContext[bit])];
        QString path = context.prefix;
        appendBitName(path, *context.layout->wires[size_t(m_nameWire[bit])], m_namePosition[bit]);
        netOf[bit] = m_netlist->addNet(path);
    }
    for (const Wire &port : top.ports) {
        for (uint32_t p = 0; p < port.bits.count; ++p) {
            QString name;
            appendBitName(name, port, p);
            const int32_t bit = top.bits[port.bits.begin + p];
            const int32_t global = bit < 0 ? -1 : topMap[size_t(bit)];
            Net *net = global < 0 ? nullptr : netOf[size_t(find(global))];
            m_netlist->addTopPort(name, port.direction, net);
        }
    }
    for (const auto *drivers : {&m_drivers, &m_weakDrivers}) {
        for (const auto &driver : *drivers) {
            Net *net = netOf[size_t(find(driver.first))];
            if (net && !net->driver)
                m_netlist->addDriver(net, driver.second);
        }
    }
}

Netlist *Elaborator::run(QString *error)
{
    for (Module &module : m_modules) {
        if (!m_byName.emplace(module.name, &module).second) {
            *error = QStringLiteral("module \"%1\" is defined twice").arg(text(module.name));
            return nullptr;
        }
    }
    Module *top = findTop();
    if (!top) {
        *error = m_error;
        return nullptr;
    }
    m_netlist = std::make_unique<Netlist>(text(top->name));
    std::vector<int32_t> topMap(size_t(top->bitCount), Unassigned);
    if (!elaborate(*top, QString(), topMap, 0)) {
        *error = m_error;
        return nullptr;
    }
    if (m_progress)
        m_progress->percent = 95;
    finish(*top, topMap);
    return m_netlist.release();
}

// Loads the file into simdjson's padded buffer and walks it; the buffer and the
// parser are gone when this returns, only the modules and their names remain.
bool parseFile(const QString &path, std::deque<Module> &modules, StringArena &arena,
               qint64 *cellCount, QString *reason, ReadProgress *progress)
{
    QFile file(path);
    if (!file.exists()) {
        *reason = QStringLiteral("the file does not exist");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    const qint64 size = file.size();
    if (size <= 0) {
        *reason = QStringLiteral("the file is empty");
        return false;
    }
    if (quint64(size) > simdjson::SIMDJSON_MAXSIZE_BYTES) {
        *reason = QStringLiteral("the file is too large");
        return false;
    }
    simdjson::padded_string buffer{size_t(size)};
    if (!buffer.data()) {
        *reason = QStringLiteral("not enough memory");
        return false;
    }
    for (qint64 done = 0; done < size;) {
        const qint64 got = file.read(buffer.data() + done, std::min(ReadChunk, size - done));
        if (got <= 0) {
            *reason = file.errorString().isEmpty() ? QStringLiteral("the file could not be read")
                                                   : file.errorString();
            return false;
        }
        done += got;
        if (progress) {
            progress->percent = int(30 * done / size);
            if (progress->cancelled) {
                *reason = QStringLiteral("cancelled");
                return false;
            }
        }
    }
    file.close();

    od::parser parser;
    od::document document;
    if (auto code = parser.iterate(buffer).get(document)) {
        *reason = QStringLiteral("malformed JSON (%1)").arg(jsonError(code));
        return false;
    }
    JsonWalker walker(modules, arena, progress, buffer.data(), buffer.size());
    if (!walker.walk(document)) {
        *reason = walker.error;
        return false;
    }
    *cellCount = walker.cellCount;
    return true;
}

} // namespace

NetlistReader::NetlistReader(const CellTable &cells) : m_cells(cells)
{}

Netlist *NetlistReader::read(const QString &path, QString *error, ReadProgress *progress)
{
    std::deque<Module> modules;
    StringArena arena;
    qint64 cellCount = 0;
    QString reason;
    Netlist *netlist = nullptr;
    if (parseFile(path, modules, arena, &cellCount, &reason, progress)) {
        Elaborator elaborator(modules, m_cells, progress, cellCount);
        netlist = elaborator.run(&reason);
    }
    if (!netlist && error)
        *error = QStringLiteral("Cannot read the netlist %1: %2").arg(path, reason);
    if (netlist && progress)
        progress->percent = 100;
    return netlist;
}

} // namespace NlsData
