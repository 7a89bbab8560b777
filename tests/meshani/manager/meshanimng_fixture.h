// The mesh manager tests' device with a mesh library written into the
// test's folder.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gma_fixtures.h"
#include "index_lib.h"
#include "meshani_device.h"

namespace gmatest {

// One mesh of a library: its item id, its mesh id, whether it shares its
// container, and how far its grid moves between frames.
struct LibraryEntry {
    DWORD id;
    DWORD meshId;
    bool shared;
    float amplitude = Grid{}.amplitude;
};

class MeshAniMngDevice : public MeshAniFolderDevice {
protected:
    // Writes the library "meshes.kidx" of `entries`; returns its path.
    std::string Library(const std::vector<LibraryEntry>& entries)
    {
        CIndexLib lib;
        const std::string path = Path("meshes.kidx");
        EXPECT_EQ(lib.Load(path.c_str(), 0, 1, 1, 0), S_OK);
        for (const LibraryEntry& e : entries) {
            Grid g;
            g.amplitude = e.amplitude;
            CGmaFile f = g.File();
            f.header.dwMeshID = e.meshId;
            f.header.SetShareContainer(e.shared);
            const std::vector<BYTE> bytes = Bytes(f);
            EXPECT_EQ(lib.ImportFromMemory(bytes.data(), DWORD(bytes.size()), e.id,
                                           ("mesh" + std::to_string(e.id) + ".gma").c_str()),
                      S_OK);
        }
        EXPECT_EQ(lib.Save(), S_OK);
        return path;
    }
};

} // namespace gmatest
