// The attribute-map converter: each material's faces get a contiguous vertex
// range of their own, in first-use order, with shared vertices duplicated.
#include <cstring>
#include <unordered_map>

#include "kestu_gmaconvert.h"
#include "ou_strings.h"

CGMAAtrributeMapConverter::CGMAAtrributeMapConverter() : m_szSource{}, m_szDestination{}, m_dwNumFrames(0) {}

CGMAAtrributeMapConverter::CGMAAtrributeMapConverter(const CGMAAtrributeMapConverter& other)
    : CGMAAtrributeMapConverter()
{
    *this = other;
}

CGMAAtrributeMapConverter& CGMAAtrributeMapConverter::operator=(const CGMAAtrributeMapConverter& other)
{
    if (this != &other) {
        std::memcpy(m_szSource, other.m_szSource, sizeof m_szSource);
        std::memcpy(m_szDestination, other.m_szDestination, sizeof m_szDestination);
        m_header = other.m_header;
    }
    return *this;
}

CGMAAtrributeMapConverter::~CGMAAtrributeMapConverter() = default;

// Renumbers the faces of one material list and fills the rebuilt vertices
// of the frames that use it.
static bool MapList(std::vector<SGmaMaterial>& list, std::vector<std::vector<SGMAVertex>*> sources,
                    std::vector<std::vector<SGMAVertex>*> rebuilt, DWORD& numNew, DWORD& numFaces)
{
    numFaces = 0;
    for (const SGmaMaterial& m : list) numFaces += static_cast<DWORD>(m.faces.size());
    for (auto* r : rebuilt) r->assign(size_t(numFaces) * 3, SGMAVertex());
    DWORD next = 0;
    for (SGmaMaterial& m : list) {
        std::unordered_map<WORD, WORD> map;
        for (SMeshFaceInit& face : m.faces)
            for (WORD& index : face.wIndex) {
                auto it = map.find(index);
                if (it == map.end()) {
                    for (auto* s : sources)
                        if (index >= s->size()) return false;
                    if (next >= 0xFFFF) // the count must fit the frame head
                        return false;
                    for (size_t k = 0; k < sources.size(); ++k) (*rebuilt[k])[next] = (*sources[k])[index];
                    it = map.emplace(index, static_cast<WORD>(next++)).first;
                }
                index = it->second;
            }
    }
    numNew = next;
    for (auto* r : rebuilt) r->resize(next);
    return true;
}

bool CGMAAtrributeMapConverter::Rebuild(CGmaFile& file)
{
    m_frames.assign(file.frames.size(), SFrame());
    for (size_t i = 0; i < file.frames.size(); ++i) m_frames[i].source = file.frames[i].vertices;
    if (file.header.IsFrameShareMaterials()) {
        std::vector<std::vector<SGMAVertex>*> sources, rebuilt;
        for (SFrame& f : m_frames) {
            sources.push_back(&f.source);
            rebuilt.push_back(&f.rebuilt);
        }
        DWORD numNew = 0, numFaces = 0;
        if (!MapList(file.sharedMaterials, sources, rebuilt, numNew, numFaces)) return false;
        for (SFrame& f : m_frames) {
            f.numNew = numNew;
            f.numFaces = numFaces;
        }
        return true;
    }
    // Frames with materials of their own: each frame is rebuilt from its own blocks.
    for (size_t i = 0; i < m_frames.size(); ++i) {
        SFrame& f = m_frames[i];
        if (!MapList(file.frames[i].materials, {&f.source}, {&f.rebuilt}, f.numNew, f.numFaces)) return false;
    }
    return true;
}

BOOL CGMAAtrributeMapConverter::Build(const char* source, const char* destination)
{
    OU_SafeStrCpy(m_szSource, sizeof m_szSource, source);
    OU_SafeStrCpy(m_szDestination, sizeof m_szDestination, destination);
    m_frames.clear();
    m_dwNumFrames = 0;
    CGmaFile file;
    if (!source || !destination || FAILED(file.Load(source))) return FALSE;
    const SMeshAniHeader& h = file.header;
    if (h.IsNormalSkipped() || !h.IsLeftHandCoordSystem() || h.IsFrameShareTexCoord()) return FALSE;
    m_header = h;
    m_dwNumFrames = static_cast<DWORD>(file.frames.size());
    if (!Rebuild(file)) {
        m_frames.clear();
        return FALSE;
    }
    return SUCCEEDED(file.Save(destination)) ? TRUE : FALSE;
}

int CGMAAtrributeMapConverter::SaveConvertedFile()
{
    CGmaFile file;
    if (FAILED(file.Load(m_szDestination)) || file.frames.size() != m_frames.size()) return 0;
    for (size_t i = 0; i < m_frames.size(); ++i) file.frames[i].vertices = m_frames[i].rebuilt;
    return SUCCEEDED(file.Save(m_szDestination)) ? 1 : 0;
}
