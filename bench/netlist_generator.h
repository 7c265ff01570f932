#pragma once

// Writes a synthetic synthesized netlist in the JSON form the netlist reader takes,
// shaped like a real fine-grained one: a top module with output buffers, clusters of
// distinct blocks, and in each block flip-flops, logic gates and a few memories, with
// yosys-style hidden cell names, hidden and visible netnames and source attributes.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace BenchSupport {

struct GeneratedCounts {
    long long primitives = 0;
    long long flipFlops = 0;
    long long memories = 0;
    long long submodules = 0;
    long long bytes = 0;
};

class NetlistGenerator {
public:
    NetlistGenerator(int clusters, int blocksPerCluster, int cellsPerBlock)
        : m_clusters(clusters), m_blocks(blocksPerCluster), m_cells(cellsPerBlock)
    {}

    bool write(const std::string &path, GeneratedCounts *counts)
    {
        m_file = std::fopen(path.c_str(), "wb");
        if (!m_file)
            return false;
        m_counts = GeneratedCounts();
        put("{\n  \"creator\": \"bench generator\",\n  \"modules\": {\n");
        put("    \"OBUF\": {\n      \"attributes\": { \"blackbox\": "
            "\"00000000000000000000000000000001\" },\n      \"ports\": {\n"
            "        \"I\": { \"direction\": \"input\", \"bits\": [ 2 ] },\n"
            "        \"O\": { \"direction\": \"output\", \"bits\": [ 3 ] }\n      },\n"
            "      \"cells\": {\n      },\n      \"netnames\": {\n      }\n    },\n");
        for (int c = 0; c < m_clusters; ++c) {
            for (int b = 0; b < m_blocks; ++b)
                writeBlock(c, b);
            writeCluster(c);
        }
        writeTop();
        put("  }\n}\n");
        flush();
        const bool ok = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (counts)
            *counts = m_counts;
        return ok;
    }

private:
    static constexpr int Width = 32;

    void put(const char *text) { m_buffer += text; }
    void put(const std::string &text) { m_buffer += text; }
    void num(long long value)
    {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        unsigned long long v = negative ? 0ULL - (unsigned long long)value : value;
        do {
            digits[n++] = char('0' + v % 10);
            v /= 10;
        } while (v);
        if (negative)
            m_buffer += '-';
        while (n)
            m_buffer += digits[--n];
        if (m_buffer.size() > (8u << 20))
            flush();
    }
    void flush()
    {
        m_counts.bytes += (long long)m_buffer.size();
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file);
        m_buffer.clear();
    }
    uint32_t random()
    {
        m_seed ^= m_seed << 13;
        m_seed ^= m_seed >> 17;
        m_seed ^= m_seed << 5;
        return m_seed;
    }
    void bits(int first, int count)
    {
        put("[ ");
        for (int i = 0; i < count; ++i) {
            if (i)
                put(", ");
            num(first + i);
        }
        put(" ]");
    }
    void blockName(int c, int b)
    {
        put("block_");
        num(c);
        put("_");
        num(b);
    }
    void src(const char *file, long long line)
    {
        put("        \"attributes\": {\n          \"src\": \"rtl/");
        put(file);
        put(".v:");
        num(line);
        put(".5-");
        num(line);
        put(".41\"\n        },\n");
    }
    void netname(const std::string &name, bool hidden, int first, int count, long long line)
    {
        put("        \"");
        put(name);
        put("\": {\n          \"hide_name\": ");
        num(hidden ? 1 : 0);
        put(",\n          \"bits\": ");
        bits(first, count);
        put(",\n          \"attributes\": {\n            \"src\": \"rtl/block.v:");
        num(line);
        put(".3-");
        num(line);
        put(".20\"\n          }\n        }");
    }

    // Bits: 2 clk, 3..34 din, 35..66 dout; then flip-flop outputs, gate outputs and
    // memory outputs follow.
    void writeBlock(int c, int b)
    {
        const int memories = 4;
        const int flipFlops = m_cells / 4;
        const int gates = m_cells - flipFlops - memories;
        const int ffBase = 67;
        const int gateBase = ffBase + flipFlops;
        const int memBase = gateBase + gates;
        const int memWidth = 16;
        const int top = memBase + memories * memWidth;
        auto anyBit = [this, top]() { return 3 + int(random() % uint32_t(top - 3)); };

        put("    \"");
        blockName(c, b);
        put("\": {\n      \"attributes\": {\n        \"src\": \"rtl/block.v:1.1-900.10\"\n"
            "      },\n      \"ports\": {\n"
            "        \"clk\": { \"direction\": \"input\", \"bits\": [ 2 ] },\n"
            "        \"din\": { \"direction\": \"input\", \"bits\": ");
        bits(3, Width);
        put(" },\n        \"dout\": { \"direction\": \"output\", \"bits\": ");
        bits(ffBase, Width);
        put(" }\n      },\n      \"cells\": {\n");

        static const char *const gateTypes[] = {"$_AND_", "$_OR_",   "$_XOR_",
                                                "$_MUX_", "$_NAND_", "$_NOT_"};
        bool first = true;
        auto open = [this, &first](const char *prefix, long long serial, const char *type) {
            put(first ? "" : ",\n");
            first = false;
            put("        \"");
            put(prefix);
            num(serial);
            put("\": {\n        \"hide_name\": 1,\n        \"type\": \"");
            put(type);
            put("\",\n");
        };
        for (int i = 0; i < flipFlops; ++i) {
            open("$auto$ff.cc:266:slice$", m_serial++, "$_DFF_P_");
            put("        \"parameters\": {\n        },\n");
            src("block", 100 + i / 16);
            put("        \"port_directions\": {\n          \"C\": \"input\",\n"
                "          \"D\": \"input\",\n          \"Q\": \"output\"\n        },\n"
                "        \"connections\": {\n          \"C\": [ 2 ],\n          \"D\": [ ");
            num(gateBase + int(random() % uint32_t(gates)));
            put(" ],\n          \"Q\": [ ");
            num(ffBase + i);
            put(" ]\n        }\n      }");
            ++m_counts.flipFlops;
        }
        for (int i = 0; i < gates; ++i) {
            const char *type = gateTypes[random() % 6];
            open("$abc$48213$auto$blifparse.cc:396:parse_blif$", m_serial++, type);
            put("        \"parameters\": {\n        },\n");
            src("block", 300 + i / 8);
            const bool unary = type[2] == 'N' && type[3] == 'O';
            const bool mux = type[2] == 'M';
            put("        \"port_directions\": {\n          \"A\": \"input\",\n");
            if (!unary)
                put("          \"B\": \"input\",\n");
            if (mux)
                put("          \"S\": \"input\",\n");
            put("          \"Y\": \"output\"\n        },\n        \"connections\": {\n"
                "          \"A\": [ ");
            num(anyBit());
            if (!unary) {
                put(" ],\n          \"B\": [ ");
                num(anyBit());
            }
            if (mux) {
                put(" ],\n          \"S\": [ ");
                num(anyBit());
            }
            put(" ],\n          \"Y\": [ ");
            num(gateBase + i);
            put(" ]\n        }\n      }");
        }
        for (int m = 0; m < memories; ++m) {
            open("$auto$memory_collect.cc:338:execute$", m_serial++, "$mem_v2");
            const int reads = m == 3 ? 2 : 1;
            const int writes = m == 0 ? 0 : (m == 3 ? 2 : 1);
            put("        \"parameters\": {\n          \"ABITS\": "
                "\"00000000000000000000000000001000\",\n          \"RD_PORTS\": \"");
            for (int k = 31; k >= 0; --k)
                put(((reads >> k) & 1) ? "1" : "0");
            put("\",\n          \"WR_PORTS\": \"");
            for (int k = 31; k >= 0; --k)
                put(((writes >> k) & 1) ? "1" : "0");
            put("\"\n        },\n");
            src("block", 800 + m);
            put("        \"port_directions\": {\n          \"RD_ADDR\": \"input\",\n"
                "          \"RD_DATA\": \"output\",\n          \"WR_ADDR\": \"input\"\n"
                "        },\n        \"connections\": {\n          \"RD_ADDR\": ");
            bits(3 + m, 8 * reads);
            put(",\n          \"RD_DATA\": ");
            bits(memBase + m * memWidth, memWidth);
            put(",\n          \"WR_ADDR\": ");
            bits(m == 1 ? 3 + m : 11 + m, 8 * writes);
            put("\n        }\n      }");
            ++m_counts.memories;
        }
        m_counts.primitives += m_cells;
        put("\n      },\n      \"netnames\": {\n");
        std::string name;
        netname("clk", false, 2, 1, 2);
        put(",\n");
        netname("din", false, 3, Width, 3);
        put(",\n");
        netname("dout", false, ffBase, Width, 4);
        for (int r = 0; r * 16 < flipFlops; ++r) {
            put(",\n");
            name = "state_r";
            name += std::to_string(r);
            netname(name, false, ffBase + r * 16, std::min(16, flipFlops - r * 16), 100 + r);
        }
        for (int i = 0; i < gates; ++i) {
            put(",\n");
            name = "$abc$48213$new_n";
            name += std::to_string(i);
            name += '_';
            netname(name, true, gateBase + i, 1, 300 + i / 8);
            if (i % 8 == 0) {
                put(",\n");
                name = "sum_w";
                name += std::to_string(i / 8);
                netname(name, false, gateBase + i, 1, 300 + i / 8);
            }
        }
        for (int m = 0; m < memories; ++m) {
            put(",\n");
            name = "mem_q";
            name += std::to_string(m);
            netname(name, false, memBase + m * memWidth, memWidth, 800 + m);
        }
        put("\n      }\n    },\n");
    }

    void writeCluster(int c)
    {
        put("    \"cluster_");
        num(c);
        put("\": {\n      \"ports\": {\n"
            "        \"clk\": { \"direction\": \"input\", \"bits\": [ 2 ] },\n"
            "        \"din\": { \"direction\": \"input\", \"bits\": ");
        bits(3, Width);
        put(" },\n        \"dout\": { \"direction\": \"output\", \"bits\": ");
        const int chainBase = 35;
        bits(chainBase + (m_blocks - 1) * Width, Width);
        put(" }\n      },\n      \"cells\": {\n");
        for (int b = 0; b < m_blocks; ++b) {
            put(b ? ",\n" : "");
            put("        \"u_blk");
            num(b);
            put("\": {\n        \"hide_name\": 0,\n        \"type\": \"");
            blockName(c, b);
            put("\",\n        \"parameters\": {\n        },\n");
            src("cluster", 10 + b);
            put("        \"port_directions\": {\n          \"clk\": \"input\",\n"
                "          \"din\": \"input\",\n          \"dout\": \"output\"\n        },\n"
                "        \"connections\": {\n          \"clk\": [ 2 ],\n          \"din\": ");
            bits(b == 0 ? 3 : chainBase + (b - 1) * Width, Width);
            put(",\n          \"dout\": ");
            bits(chainBase + b * Width, Width);
            put("\n        }\n      }");
            ++m_counts.submodules;
        }
        put("\n      },\n      \"netnames\": {\n");
        netname("clk", false, 2, 1, 1);
        put(",\n");
        netname("din", false, 3, Width, 1);
        for (int b = 0; b < m_blocks; ++b) {
            put(",\n");
            netname("stage" + std::to_string(b), false, chainBase + b * Width, Width, 20 + b);
        }
        put("\n      }\n    },\n");
    }

    void writeTop()
    {
        const int chainBase = 35;
        const int outBase = chainBase + m_clusters * Width;
        put("    \"top\": {\n      \"attributes\": {\n        \"top\": "
            "\"00000000000000000000000000000001\"\n      },\n      \"ports\": {\n"
            "        \"clk\": { \"direction\": \"input\", \"bits\": [ 2 ] },\n"
            "        \"din\": { \"direction\": \"input\", \"bits\": ");
        bits(3, Width);
        put(" },\n        \"dout\": { \"direction\": \"output\", \"bits\": ");
        bits(outBase, Width);
        put(" }\n      },\n      \"cells\": {\n");
        for (int c = 0; c < m_clusters; ++c) {
            put(c ? ",\n" : "");
            put("        \"u_cluster");
            num(c);
            put("\": {\n        \"hide_name\": 0,\n        \"type\": \"cluster_");
            num(c);
            put("\",\n        \"port_directions\": {\n          \"clk\": \"input\",\n"
                "          \"din\": \"input\",\n          \"dout\": \"output\"\n        },\n"
                "        \"connections\": {\n          \"clk\": [ 2 ],\n          \"din\": ");
            bits(c == 0 ? 3 : chainBase + (c - 1) * Width, Width);
            put(",\n          \"dout\": ");
            bits(chainBase + c * Width, Width);
            put("\n        }\n      }");
            ++m_counts.submodules;
        }
        for (int i = 0; i < Width; ++i) {
            put(",\n        \"u_obuf");
            num(i);
            put("\": {\n        \"hide_name\": 0,\n        \"type\": \"OBUF\",\n"
                "        \"port_directions\": {\n          \"I\": \"input\",\n"
                "          \"O\": \"output\"\n        },\n        \"connections\": {\n"
                "          \"I\": [ ");
            num(chainBase + (m_clusters - 1) * Width + i);
            put(" ],\n          \"O\": [ ");
            num(outBase + i);
            put(" ]\n        }\n      }");
            ++m_counts.primitives;
        }
        put("\n      },\n      \"netnames\": {\n");
        netname("clk", false, 2, 1, 1);
        put(",\n");
        netname("din", false, 3, Width, 1);
        put(",\n");
        netname("dout", false, outBase, Width, 1);
        for (int c = 0; c < m_clusters; ++c) {
            put(",\n");
            netname("link" + std::to_string(c), false, chainBase + c * Width, Width, 5);
        }
        put("\n      }\n    }\n");
    }

    const int m_clusters;
    const int m_blocks;
    const int m_cells;
    std::FILE *m_file = nullptr;
    std::string m_buffer;
    uint32_t m_seed = 2463534242u;
    long long m_serial = 1000;
    GeneratedCounts m_counts;
};

// The benchmark netlist of about `cells` primitives in `dir` (10 clusters of 25
// blocks; the output buffers of the top add 32 cells), generated unless it is there
// already. Its path, or an empty string when it cannot be written.
inline std::string benchmarkNetlist(const std::string &dir, int cells, bool regenerate)
{
    const int clusters = 10;
    const int blocks = 25;
    const int perBlock = std::max(100, cells / (clusters * blocks));
    const std::string path =
        dir + "/bench_netlist_" + std::to_string(perBlock * clusters * blocks) + ".json";
    if (std::FILE *existing = regenerate ? nullptr : std::fopen(path.c_str(), "rb")) {
        std::fseek(existing, 0, SEEK_END);
        std::printf("reusing %s (%.0f MB)\n", path.c_str(), double(std::ftell(existing)) / 1e6);
        std::fclose(existing);
        return path;
    }
    const auto start = std::chrono::steady_clock::now();
    GeneratedCounts counts;
    if (!NetlistGenerator(clusters, blocks, perBlock).write(path, &counts)) {
        std::printf("cannot write %s\n", path.c_str());
        return std::string();
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("generated %s: %.0f MB, %lld primitives (%lld flip-flops, %lld memories), "
                "%lld sub-module instances, %lld ms\n",
                path.c_str(), double(counts.bytes) / 1e6, counts.primitives, counts.flipFlops,
                counts.memories, counts.submodules, (long long)ms.count());
    return path;
}

} // namespace BenchSupport
