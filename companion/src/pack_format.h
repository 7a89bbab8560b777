// Constants and helpers of the item-library pack file (layout documented in
// index_lib.h).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "windef.h"
#include "winerror.h"

namespace ou::pack {

constexpr char kMagic[4] = {'K', 'I', 'D', 'X'};
constexpr uint32_t kVersion = 1;
constexpr uint32_t kHeaderSize = 32;
constexpr uint32_t kMinEntrySize = 4 + 4 + 4 + 2 + 1;
constexpr uint32_t kMaxNameBytes = 260; // terminator included

struct Header {
    uint32_t version = kVersion;
    uint32_t count = 0;
    uint32_t tableOffset = 0;
    uint32_t tableSize = 0;
    uint32_t extraOffset = 0;
    uint32_t extraSize = 0;
};

struct Entry {
    uint32_t id = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
    std::string name;
};

// Reads and checks the header against the file size.
HRESULT ParseHeader(const uint8_t* bytes, size_t size, uint64_t fileSize, Header& out);
// Parses and checks the table against the header and the file size.
HRESULT ParseTable(const uint8_t* bytes, size_t size, const Header& header, uint64_t fileSize, std::vector<Entry>& out);
void WriteHeader(uint8_t* out, const Header& header);
// Appends one table entry.
void AppendEntry(std::vector<uint8_t>& table, const Entry& entry);

// An open pack file for reading: its size and bounded reads.
class Reader {
public:
    ~Reader();
    HRESULT Open(const char* path);
    uint64_t Size() const { return m_size; }
    // Reads exactly size bytes at offset; false on a short read.
    bool ReadAt(uint64_t offset, void* data, size_t size);

private:
    std::FILE* m_file = nullptr;
    uint64_t m_size = 0;
};

} // namespace ou::pack
