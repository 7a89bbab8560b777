// Offline GMA converters for the content pipeline: the attribute-map
// converter gives each material a contiguous vertex range of its own, the
// LOD converter orders each material's vertices and faces for the run-time
// level of detail and appends the collapse records.
#pragma once
#include <vector>

#include <windows.h>

#include "kestu_export.h"
#include "kestu_gmafile.h"

#define GMA_CONVERT_PATH_SIZE 520

// Use: Build(source, destination), then SaveConvertedFile().
class KESTU_API CGMAAtrributeMapConverter {
public:
    CGMAAtrributeMapConverter();
    // Copies paths and header only.
    CGMAAtrributeMapConverter(const CGMAAtrributeMapConverter& other);
    CGMAAtrributeMapConverter& operator=(const CGMAAtrributeMapConverter& other);
    virtual ~CGMAAtrributeMapConverter();

    // Reads the source, rebuilds the vertex order and writes the source with
    // the faces' new indices to the destination. FALSE for a source that
    // cannot be read, has normals skipped, is not left-handed or shares
    // texture coordinates, has a face index beyond its frame's vertices, or
    // would need more than 65535 vertices (nothing is written then).
    BOOL Build(const char* source, const char* destination);
    // Writes the destination again with the rebuilt vertices. 1, or 0 when it
    // cannot be read or written.
    int SaveConvertedFile();

    DWORD GetNumFrames() const { return m_dwNumFrames; }
    // New vertex count of a frame after Build.
    DWORD GetNumNewVertices(DWORD frame) const { return frame < m_frames.size() ? m_frames[frame].numNew : 0; }

private:
    struct SFrame {
        std::vector<SGMAVertex> source;
        std::vector<SGMAVertex> rebuilt;
        DWORD numFaces = 0;
        DWORD numNew = 0;
    };
    bool Rebuild(CGmaFile& file);

    char m_szSource[GMA_CONVERT_PATH_SIZE];
    char m_szDestination[GMA_CONVERT_PATH_SIZE];
    SMeshAniHeader m_header;
    DWORD m_dwNumFrames;
    std::vector<SFrame> m_frames;
};

// Results of CGMALodConverter::Build.
#define GMALOD_OK 0
#define GMALOD_NORMAL_SKIPPED 1
#define GMALOD_CANNOT_READ 2
#define GMALOD_NOT_LEFT_HANDED 3
#define GMALOD_SHARED_TEXCOORD 4

// Use: Build(source, destination), then LodConvert(), then SaveConvertedFile().
class KESTU_API CGMALodConverter {
public:
    CGMALodConverter();
    // Copies paths and header only.
    CGMALodConverter(const CGMALodConverter& other);
    CGMALodConverter& operator=(const CGMALodConverter& other);
    virtual ~CGMALodConverter();

    // GMALOD_* or E_OUTOFMEMORY. Material blocks are read in the layout of
    // the source's version.
    int Build(const char* source, const char* destination);
    // 1 on success; 0 without frames, or when a material cannot be simplified
    // (no faces, a face index beyond the frame's vertices, vertex ranges of
    // two materials that overlap).
    int LodConvert();
    // Writes the destination: the source with "LodAdd" in its header, each
    // material's vertices and faces in their new order, and the LOD records
    // in place of any earlier ones. 1, or 0 when the source cannot be read
    // again or the destination not written.
    int SaveConvertedFile();

    struct SMaterial {
        std::vector<SMeshFaceInit> faces;       // as read
        std::vector<SMeshLodFaceInit> lodFaces; // the faces re-indexed, in their new order
        DWORD dwNumFaces = 0;
        WORD wCollapsible = 0;
    };
    struct SFrame {
        std::vector<SGMAVertex> source;
        std::vector<SGMALodVertex> output; // after LodConvert: vertices in their new slots
        DWORD dwNumVertices = 0;
        DWORD dwNumMaterials = 0;
        std::vector<SMaterial> materials; // empty for frames that share frame 0's
    };
    DWORD GetNumFrames() const { return m_dwNumFrames; }
    const SFrame* GetFrame(DWORD i) const { return i < m_frames.size() ? &m_frames[i] : nullptr; }

private:
    bool ConvertFrame(SFrame& frame);

    char m_szSource[GMA_CONVERT_PATH_SIZE];
    char m_szDestination[GMA_CONVERT_PATH_SIZE];
    SMeshAniHeader m_header;
    DWORD m_dwNumFrames;
    std::vector<SFrame> m_frames;
    bool m_bConverted;
};
