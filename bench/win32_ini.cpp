// Listing the section names and the key names of INI files at n and 4n in the
// same run (see growth.h): 10,000 and 40,000 sections, and one section of
// 10,000 and 40,000 keys, into a 256-byte buffer as callers do. Every name
// appears twice in another case, so the case-blind duplicate check works.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "growth.h"

namespace {

std::string WriteIni(const char* name, int count, bool sections)
{
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!sections) std::fputs("[Keys]\r\n", f);
    for (int i = 0; i < count; ++i) {
        const int id = i / 2;
        const char* spelling = i % 2 ? "NAME" : "name";
        if (sections)
            std::fprintf(f, "[%s%d]\r\nk=v\r\n", spelling, id);
        else
            std::fprintf(f, "%s%d=v\r\n", spelling, id);
    }
    std::fclose(f);
    return path;
}

void BM_IniNameListing(benchmark::State& state)
{
    const bool sections = state.range(0) == 0;
    state.SetLabel(sections ? "section names" : "key names");
    const std::string small = WriteIni(sections ? "kestu_bench_s1.ini" : "kestu_bench_k1.ini", 10000, sections);
    const std::string large = WriteIni(sections ? "kestu_bench_s4.ini" : "kestu_bench_k4.ini", 40000, sections);
    char buffer[256];
    auto list = [&](const std::string& path) {
        const DWORD n = sections ? GetPrivateProfileSectionNamesA(buffer, sizeof buffer, path.c_str())
                                 : GetPrivateProfileStringA("Keys", nullptr, "", buffer, sizeof buffer, path.c_str());
        benchmark::DoNotOptimize(n);
    };
    bench::MeasureGrowth(
        state, [&] { list(small); }, [&] { list(large); });
    std::filesystem::remove(small);
    std::filesystem::remove(large);
}
BENCHMARK(BM_IniNameListing)->Arg(0)->Arg(1)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);

} // namespace
