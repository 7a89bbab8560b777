// Loading the item table of an item library of 20,000 and 80,000 items, per
// item, beside a plain reference in the same run: reading the same file and
// parsing its table into a vector of entries and an id map. Linear loading
// keeps the same ratio to the reference at both sizes; a table that grows by
// one item at a time falls behind at the larger one. Freed memory stays with
// the allocator (as in growth.h): otherwise the larger library's items go
// back to the system after every load and are faulted in afresh, a cost of
// the machine rather than of the loading.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "RatioReport.h"
#include "index_lib.h"

namespace {

constexpr uint32_t kItemBytes = 16;

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A pack of n items of 16 bytes, named "item000000.tex" on.
const std::string& Library(int n)
{
    static std::unordered_map<int, std::string> paths;
    std::string& path = paths[n];
    if (!path.empty()) return path;
    path = (std::filesystem::temp_directory_path() / ("kestu_bench_items_" + std::to_string(n) + ".kidx")).string();
    std::vector<uint8_t> table;
    for (int i = 0; i < n; ++i) {
        char name[32];
        const int len = std::snprintf(name, sizeof name, "item%06d.tex", i) + 1;
        Put32(table, uint32_t(i + 1));
        Put32(table, 32 + uint32_t(i) * kItemBytes);
        Put32(table, kItemBytes);
        table.push_back(uint8_t(len));
        table.push_back(0);
        table.insert(table.end(), name, name + len);
    }
    std::vector<uint8_t> file = {'K', 'I', 'D', 'X'};
    Put32(file, 1);
    Put32(file, uint32_t(n));
    Put32(file, 32 + uint32_t(n) * kItemBytes);
    Put32(file, uint32_t(table.size()));
    Put32(file, 0);
    Put32(file, 0);
    Put32(file, 0);
    file.resize(32 + size_t(n) * kItemBytes, 0x5A);
    file.insert(file.end(), table.begin(), table.end());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return path;
}

void BM_IndexLibLoad(benchmark::State& state)
{
    const int n = int(state.range(0));
    const std::string& path = Library(n);
    for (auto _ : state) {
        CIndexLib lib;
        if (FAILED(lib.Load(path.c_str(), 0, 1, 0, 1)) || lib.GetNumItems() != DWORD(n)) {
            state.SkipWithError("the library did not load");
            return;
        }
        benchmark::DoNotOptimize(lib.GetItem(DWORD(n - 1)));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_IndexLibLoad)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond);

struct PlainEntry {
    uint32_t id, offset, size;
    std::string name;
};

uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void BM_Reference_PlainTable(benchmark::State& state)
{
    const int n = int(state.range(0));
    const std::string& path = Library(n);
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const uint32_t count = Get32(&file[8]);
        const uint8_t* p = &file[Get32(&file[12])];
        std::vector<PlainEntry> entries;
        entries.reserve(count);
        std::unordered_map<uint32_t, uint32_t> ids;
        ids.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint16_t len = uint16_t(p[12] | p[13] << 8);
            entries.push_back(
                {Get32(p), Get32(p + 4), Get32(p + 8), std::string(reinterpret_cast<const char*>(p + 14), len - 1u)});
            ids.emplace(Get32(p), i);
            p += 14 + len;
        }
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Reference_PlainTable)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond);

// Building a library by importing n items without ids, per item, beside a
// plain reference doing the same work: each item's bytes copied, its name
// kept, its id (one above the largest so far) entered in an id map. An
// import that searched the items for the next free id would fall behind at
// the larger size.
const std::vector<std::string>& ItemNames(int n)
{
    static std::unordered_map<int, std::vector<std::string>> lists;
    std::vector<std::string>& names = lists[n];
    for (int i = int(names.size()); i < n; ++i) names.push_back("item" + std::to_string(i) + ".tex");
    return names;
}

void BM_IndexLibImportWithoutIds(benchmark::State& state)
{
    const int n = int(state.range(0));
    const uint8_t data[kItemBytes] = {};
    const std::vector<std::string>& names = ItemNames(n);
    for (auto _ : state) {
        CIndexLib lib;
        for (int i = 0; i < n; ++i)
            if (FAILED(lib.ImportFromMemory(data, kItemBytes, IDXLIB_NONE, names[size_t(i)].c_str()))) {
                state.SkipWithError("an import failed");
                return;
            }
        if (lib.GetItem(DWORD(n - 1))->dwID != DWORD(n - 1)) {
            state.SkipWithError("the ids are not 0 to n - 1");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_IndexLibImportWithoutIds)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond);

struct PlainItem {
    uint32_t id;
    std::vector<uint8_t> bytes;
    std::string name;
};

void BM_Reference_PlainImport(benchmark::State& state)
{
    const int n = int(state.range(0));
    const uint8_t data[kItemBytes] = {};
    const std::vector<std::string>& names = ItemNames(n);
    for (auto _ : state) {
        std::vector<std::unique_ptr<PlainItem>> items;
        std::unordered_map<uint32_t, uint32_t> ids;
        uint32_t next = 0;
        for (int i = 0; i < n; ++i) {
            auto item = std::make_unique<PlainItem>();
            item->id = next++;
            item->bytes.assign(data, data + kItemBytes);
            item->name = names[size_t(i)];
            ids.emplace(item->id, uint32_t(items.size()));
            items.push_back(std::move(item));
        }
        benchmark::DoNotOptimize(items.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Reference_PlainImport)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    kestu_bench::RatioTable table;
    table.compare.push_back({"BM_IndexLibLoad/20000", "BM_Reference_PlainTable/20000"});
    table.compare.push_back({"BM_IndexLibLoad/80000", "BM_Reference_PlainTable/80000"});
    table.compare.push_back({"BM_IndexLibImportWithoutIds/20000", "BM_Reference_PlainImport/20000"});
    table.compare.push_back({"BM_IndexLibImportWithoutIds/80000", "BM_Reference_PlainImport/80000"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
