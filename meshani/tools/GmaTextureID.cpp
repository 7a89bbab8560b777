// Renumbering the texture ids of GMA materials against a texture index library.
#include <cstring>
#include <memory>

#include "core/resources/WholeFile.h"
#include "index_lib.h"
#include "kestu_gmatools.h"
#include "ou_strings.h"
#include "meshani/tools/GmaToolRunner.h"

namespace {

// Renumbers every block; changed tells whether any id changed, missing whether a name was not found.
HRESULT Renumber(CGmaFile& f, CIndexLib& lib, const char* logPath, std::vector<DWORD>* idList, bool& changed,
                 bool& missing)
{
    for (DWORD list = 0; list < f.GetNumMaterialLists(); ++list)
        for (SGmaMaterial& m : f.GetMaterials(list)) {
            char name[GMA_TEXNAME_SIZE];
            m.head.GetTextureName(name);
            const char* lookup = name;
            while (*lookup == '\\') ++lookup;
            const SIdxLibItem* item = lib.GetItem(lib.FindIndexByItemName(lookup));
            const DWORD id = item ? item->GetID() : GMA_NO_TEXTURE;
            if (item && idList) idList->push_back(id);
            if (logPath && id != m.head.dwTextureID)
                WriteString(logPath,
                            "\nChanged in UpdateGmaTexIDInMemory(): --- old ID=%u, new ID=%u \nfor the texture file "
                            "'%s' in Texture index lib'%s'\n\n",
                            m.head.dwTextureID, id, name, lib.GetLibPathname());
            if (logPath && !item)
                WriteString(logPath,
                            "\nError in UpdateGmaTexIDInMemory():---- Cannot find the texture file '%s' in Texture "
                            "index lib'%s'\n\n",
                            name, lib.GetLibPathname());
            changed = changed || id != m.head.dwTextureID;
            missing = missing || !item;
            m.head.dwTextureID = id;
        }
    return changed ? S_OK : S_FALSE;
}

// The in-memory work; changed tells the file form whether to write back.
HRESULT UpdateInMemory(BYTE* outBuffer, DWORD& outSize, const BYTE* buffer, DWORD size, CIndexLib* lib,
                       const char* logPath, std::vector<DWORD>* idList, bool& changed)
{
    changed = false;
    if (!outBuffer || !lib) return E_FAIL;
    bool missing = false;
    std::vector<BYTE> out;
    HRESULT hr = gmatool::Run(
        buffer, size, [&](CGmaFile& f) { return Renumber(f, *lib, logPath, idList, changed, missing); }, out);
    if (FAILED(hr)) {
        changed = false;
        return hr;
    }
    if (hr == S_FALSE) out.assign(buffer, buffer + size); // the bytes stay as they were
    if (out.size() > outSize) {
        changed = false;
        return E_OUTOFMEMORY;
    }
    std::memcpy(outBuffer, out.data(), out.size());
    outSize = static_cast<DWORD>(out.size());
    return missing ? E_FAIL : hr;
}

} // namespace

HRESULT GfxUtil_UpdateGmaTextureIDInMemory(BYTE* outBuffer, DWORD& outSize, const BYTE* buffer, DWORD size,
                                           CIndexLib* textureLibrary, const char* logPath, std::vector<DWORD>* idList)
{
    bool changed = false;
    return UpdateInMemory(outBuffer, outSize, buffer, size, textureLibrary, logPath, idList, changed);
}

HRESULT GfxUtil_UpdateGmaTextureID(const char* gmaPath, const char* textureLibraryPath, const char* logPath,
                                   std::vector<DWORD>* idList)
{
    CIndexLib lib;
    HRESULT hr = lib.Load(textureLibraryPath, 1, 1, 0, 1);
    if (FAILED(hr)) return hr;
    DWORD size = 0;
    std::unique_ptr<BYTE[]> data(LoadWholeFile(gmaPath, &size));
    if (!data) {
        lib.CleanUp();
        return E_FAIL;
    }
    std::vector<BYTE> out(size);
    DWORD outSize = size;
    bool changed = false;
    hr = UpdateInMemory(out.data(), outSize, data.get(), size, &lib, logPath, idList, changed);
    if (changed && SaveWholeFile(gmaPath, out.data(), outSize) != static_cast<int>(outSize)) hr = E_FAIL;
    lib.CleanUp();
    return hr;
}
