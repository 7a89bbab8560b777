// Builds item-library pack files byte by byte, so that tests can make both
// good files and every kind of damaged one.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct RawEntry {
    uint32_t id;
    uint32_t offset;
    uint32_t size;
    std::string name; // written with its terminator unless raw is set
    bool raw = false; // write exactly the bytes of name, length = name.size()
};

struct RawPack {
    char magic[4] = {'K', 'I', 'D', 'X'};
    uint32_t version = 1;
    uint32_t count = 0;
    uint32_t tableOffset = 0;
    uint32_t tableSize = 0;
    uint32_t extraOffset = 0;
    uint32_t extraSize = 0;
    std::vector<uint8_t> data; // placed right after the 32-byte header
    std::vector<RawEntry> entries;

    static void U16(std::vector<uint8_t>& out, uint32_t v)
    {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    }
    static void U32(std::vector<uint8_t>& out, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t> Table() const
    {
        std::vector<uint8_t> t;
        for (const RawEntry& e : entries) {
            U32(t, e.id);
            U32(t, e.offset);
            U32(t, e.size);
            const size_t n = e.raw ? e.name.size() : e.name.size() + 1;
            U16(t, uint32_t(n));
            t.insert(t.end(), e.name.begin(), e.name.end());
            if (!e.raw) t.push_back(0);
        }
        return t;
    }
    // Fills count, table offset and size from the entries and data.
    RawPack& Fix()
    {
        count = uint32_t(entries.size());
        tableOffset = 32 + uint32_t(data.size());
        tableSize = uint32_t(Table().size());
        return *this;
    }
    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> out(magic, magic + 4);
        U32(out, version);
        U32(out, count);
        U32(out, tableOffset);
        U32(out, tableSize);
        U32(out, extraOffset);
        U32(out, extraSize);
        U32(out, 0);
        out.insert(out.end(), data.begin(), data.end());
        const auto t = Table();
        out.insert(out.end(), t.begin(), t.end());
        return out;
    }
};

// Two items: "a.bmp" (id 5, bytes "AAAA") and "dir\\b.gma" (id 9, bytes "BBBBBB").
inline RawPack GoodPack()
{
    RawPack p;
    p.data = {'A', 'A', 'A', 'A', 'B', 'B', 'B', 'B', 'B', 'B'};
    p.entries = {{5, 32, 4, "a.bmp"}, {9, 36, 6, "dir\\b.gma"}};
    return p.Fix();
}
