#pragma once

// Netlist of the synthesized design: hierarchy, primitive cells, nets and
// top-level ports, read from the JSON netlist that synthesis writes.

#include "host/hostglobal.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <memory>

class QWidget;

namespace NlsData {

enum { CategoryBlockRam = 5, CategoryFlipFlop = 50 };
enum { DirectionInput = 0, DirectionOutput = 1, DirectionInout = 2 };

class Port;
class Net;
class Pin;
class NetlistPrivate;

class VEPHOST_EXPORT Instance {
public:
    QString path() const;
    QList<Port *> ports() const;
    int category = 0;
    int primitive = 0;

private:
    friend class Netlist;
    friend class NetlistPrivate;
    QString m_path;
    QList<Port *> m_ports;
};

class VEPHOST_EXPORT Port {
public:
    QString path() const;
    int direction = 0;
    Net *net = nullptr;

private:
    friend class Netlist;
    friend class NetlistPrivate;
    QString m_path;
};

class VEPHOST_EXPORT Net {
public:
    QString path() const;
    Pin *driver = nullptr;

private:
    friend class Netlist;
    friend class NetlistPrivate;
    QString m_path;
};

class VEPHOST_EXPORT Pin {
public:
    Instance *instance = nullptr;
};

// A netlist is a handle: every handle read from the same unchanged file shares one
// immutable copy of the data, which goes away with the last handle. The records a
// handle gives out stay valid as long as that handle lives. A netlist is mutable until
// shared: one built by hand (the constructor and the add functions) is private to its
// handle, while one read from a file is complete, and the add functions refuse it
// (null, nothing changes).
class VEPHOST_EXPORT Netlist {
public:
    explicit Netlist(const QString &topModuleName);
    ~Netlist();
    Netlist(const Netlist &) = delete;
    Netlist &operator=(const Netlist &) = delete;

    QString topModuleName() const;
    const QList<Net *> &allNets() const;
    const QList<Instance *> &allPrimInstances() const;
    const QList<Instance *> &allSubmodInstances() const;
    Instance *topInstance = nullptr;

    Instance *addSubmodule(const QString &path);
    Instance *addPrimitive(const QString &path, int category, int primitive);
    Net *addNet(const QString &path);
    Port *addTopPort(const QString &name, int direction, Net *net = nullptr);
    Pin *addDriver(Net *net, Instance *instance);

private:
    friend class NetlistCache;
    explicit Netlist(std::shared_ptr<const NetlistPrivate> shared);
    NetlistPrivate *building();
    // Ends building: from here on the data is immutable and may be shared.
    std::shared_ptr<const NetlistPrivate> shareAsFileData(qint64 fileBytes);

    std::shared_ptr<const NetlistPrivate> d;
    // The same data as d while this handle alone owns it and may add to it.
    NetlistPrivate *m_private = nullptr;
};

VEPHOST_EXPORT Netlist *readNetlistFile(const QString &path, QString *error, bool reload);
VEPHOST_EXPORT Netlist *readNetlistFileWithDialog(QWidget *parent, const QString &path,
                                                  QString *error, bool reload);
VEPHOST_EXPORT void registerCellType(const QString &cellType, int category, int primitive);

// Host side: a project's own cell library, JSON of the form
// {"cells": {"TYPE": {"category": c, "primitive": p}}, "prefixes": {...}}, extends or
// overrides the built-in table for the reads that follow. A bad file changes nothing.
VEPHOST_EXPORT bool loadCellLibrary(const QString &path, QString *error);
// Host side: forgets registered and loaded cell types (back to the built-in table).
VEPHOST_EXPORT void resetCellLibrary();
// Host side: reads cached so far count as stale from now on (a new synthesis result,
// the netlist file changed); the next read of any file reads it again.
VEPHOST_EXPORT void invalidateNetlistCache();

struct NetlistCacheStats {
    int liveNetlists = 0; // read from files and still held by at least one handle
    qint64 fileReads = 0; // reads that ran (successful or not) since the program started
};
VEPHOST_EXPORT NetlistCacheStats netlistCacheStats();

// Host side: files at least this large are read with a progress dialog by
// readNetlistFileWithDialog (4 MiB unless changed).
VEPHOST_EXPORT void setProgressDialogThreshold(qint64 bytes);

class VEPHOST_EXPORT FindNetDialog {
public:
    static QList<Net *> getList(const QList<Net *> &candidates, QWidget *parent);
};

} // namespace NlsData
