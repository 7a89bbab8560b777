#include "win32/kernel_exports.h"

#include <dlfcn.h>
#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace kestu::platform::win32 {

namespace {

// The dynamic symbol names of the library that holds this code, read from
// its file once.
const std::vector<std::string>& OwnSymbols()
{
    static std::vector<std::string> names;
    static std::once_flag once;
    std::call_once(once, [] {
        Dl_info info{};
        if (::dladdr(reinterpret_cast<void*>(&FindBuiltinExport), &info) == 0 || info.dli_fname == nullptr) return;
        std::ifstream in(info.dli_fname, std::ios::binary);
        std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (file.size() < sizeof(Elf64_Ehdr)) return;
        Elf64_Ehdr eh;
        std::memcpy(&eh, file.data(), sizeof(eh));
        if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64 ||
            eh.e_shentsize != sizeof(Elf64_Shdr))
            return;
        auto section = [&](size_t i, Elf64_Shdr* out) {
            size_t at = eh.e_shoff + i * sizeof(Elf64_Shdr);
            if (i >= eh.e_shnum || at > file.size() || file.size() - at < sizeof(Elf64_Shdr)) return false;
            std::memcpy(out, file.data() + at, sizeof(Elf64_Shdr));
            return true;
        };
        for (size_t i = 0; i < eh.e_shnum; ++i) {
            Elf64_Shdr sym, str;
            if (!section(i, &sym) || sym.sh_type != SHT_DYNSYM || !section(sym.sh_link, &str)) continue;
            if (sym.sh_offset > file.size() || file.size() - sym.sh_offset < sym.sh_size ||
                str.sh_offset > file.size() || file.size() - str.sh_offset < str.sh_size)
                return;
            for (size_t k = 0; k + sizeof(Elf64_Sym) <= sym.sh_size; k += sizeof(Elf64_Sym)) {
                Elf64_Sym s;
                std::memcpy(&s, file.data() + sym.sh_offset + k, sizeof(s));
                if (s.st_shndx == SHN_UNDEF || ELF64_ST_TYPE(s.st_info) != STT_FUNC || s.st_name >= str.sh_size)
                    continue;
                const char* name = file.data() + str.sh_offset + s.st_name;
                names.emplace_back(name, strnlen(name, str.sh_size - s.st_name));
            }
        }
    });
    return names;
}

} // namespace

FARPROC FindBuiltinExport(const char* name)
{
    if (name == nullptr || *name == '\0') return nullptr;
    if (void* sym = ::dlsym(RTLD_DEFAULT, name)) return reinterpret_cast<FARPROC>(sym);
    // A free function "Name" of the global namespace is mangled "_Z<length>Name<parameters>".
    std::string prefix = "_Z" + std::to_string(std::strlen(name)) + name;
    for (const std::string& s : OwnSymbols())
        if (s.size() > prefix.size() && s.compare(0, prefix.size(), prefix) == 0)
            if (void* sym = ::dlsym(RTLD_DEFAULT, s.c_str())) return reinterpret_cast<FARPROC>(sym);
    return nullptr;
}

} // namespace kestu::platform::win32
