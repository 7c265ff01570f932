#pragma once

// Bounds that keep a hostile activity file from taking unbounded memory or time; real
// files stay far below them.

namespace Activity {
namespace Limits {

constexpr int MaxDepth = 1000;              // nested scopes
constexpr int MaxToken = 64 * 1024;         // bytes of one name or word
constexpr int MaxScopes = 1 << 20;          // scopes of one file
constexpr int MaxSignals = 4 << 20;         // declared nets of one file
constexpr int MaxVectorWidth = 1 << 16;     // bits of one declared vector
constexpr qint64 MaxBits = qint64(8) << 20; // bits of all nets together; the matcher indexes each
constexpr qint64 MaxCommand = qint64(16) << 20; // bytes of one skipped VCD command
constexpr qint64 TimeSearch = qint64(64) << 20; // bytes searched for the first and last #time

} // namespace Limits
} // namespace Activity
