// The text textures kept by CGfxTextDevice3D: the shared node and the cache
// of strings with up to four attribute variants each.
#include <mmsystem.h>

#include "kestu_textdevice3d.h"

void CGfxTextDevice3D::ReleaseNode(TCN& node)
{
    FreeTexture(node.texture);
    node.text.clear();
}

void CGfxTextDevice3D::ClearCommonTex() { ReleaseNode(m_Shared); }

void CGfxTextDevice3D::ClearCache()
{
    for (auto& [text, nodes] : m_Cache)
        for (TCN& node : nodes) ReleaseNode(node);
    m_Cache.clear();
}

void CGfxTextDevice3D::PrepareRender()
{
    if (IsTextCaching()) DiscardCacheNodes();
}

DWORD CGfxTextDevice3D::GetTextureCacheSize() const
{
    DWORD sum = 0;
    for (const auto& [text, nodes] : m_Cache)
        for (const TCN& node : nodes)
            if (node.texture) sum += node.texture->GetTexWidth() * node.texture->GetTexHeight() * 4;
    return sum;
}

bool CGfxTextDevice3D::NodeMatches(const TCN& node, int x, int y, int w, int h) const
{
    const SGfxTextAttri3D& n = node.attri;
    const SGfxTextAttri3D& a = m_Attri;
    if (node.x != x || node.y != y || node.width != w || node.height != h) return false;
    if (n.nFontType != a.nFontType || n.dwFormat != a.dwFormat || n.dwColor != a.dwColor ||
        n.dwBkColor != a.dwBkColor || n.nCharGap != a.nCharGap || n.nLinkMode != a.nLinkMode ||
        n.bInterpretCodes != a.bInterpretCodes || n.bStripCodes != a.bStripCodes)
        return false;
    if (!a.IsHaveFormat(GFXTF_SINGLELINE) && n.nLineGap != a.nLineGap) return false;
    if (a.IsHaveFormat(GFXTF_FRAME | GFXTF_OUTLINE) && n.dwFrameColor != a.dwFrameColor) return false;
    if (a.IsHaveFormat(GFXTF_LINK) && n.dwLinkColor != a.dwLinkColor) return false;
    if (a.IsHaveFormat(GFXTF_ACTIVELINK) &&
        (n.dwActiveLinkColor != a.dwActiveLinkColor || n.nActiveLinkID != a.nActiveLinkID))
        return false;
    if (a.IsHaveFormat(GFXTF_OUTLINE) && n.dwOutlineColor != a.dwOutlineColor) return false;
    if (a.nLinkMode != 2 && (n.nUnderlineOffset != a.nUnderlineOffset || n.nActiveLinkID != a.nActiveLinkID))
        return false;
    return true;
}

CGfxTextDevice3D::Found CGfxTextDevice3D::FindCacheNode(const std::u16string& text, int x, int y, int w, int h,
                                                        TCN*& node)
{
    node = nullptr;
    const auto entry = m_Cache.find(text);
    if (entry == m_Cache.end()) return Found::NoEntry;
    for (TCN& n : entry->second)
        if (NodeMatches(n, x, y, w, h)) {
            node = &n;
            return Found::None;
        }
    return Found::EntryWithoutMatch;
}

void CGfxTextDevice3D::AddCacheNode(const std::u16string& text, int x, int y, int w, int h, CTexture* texture,
                                    bool newEntry)
{
    TCN node;
    node.text = text;
    node.attri = m_Attri;
    node.x = x;
    node.y = y;
    node.width = w;
    node.height = h;
    node.texture = texture;
    node.lastUse = timeGetTime();
    if (newEntry) {
        NodeList list;
        list.push_back(std::move(node));
        m_Cache[text] = std::move(list);
        return;
    }
    NodeList& list = m_Cache[text];
    for (const TCN& n : list)
        if (NodeMatches(n, x, y, w, h)) {
            FreeTexture(node.texture);
            return;
        }
    if (list.size() >= 4) {
        ReleaseNode(list.front());
        list.pop_front();
    }
    list.push_back(std::move(node));
}

void CGfxTextDevice3D::DiscardCacheNodes()
{
    const DWORD now = timeGetTime();
    for (auto entry = m_Cache.begin(); entry != m_Cache.end();) {
        NodeList& list = entry->second;
        for (auto n = list.begin(); n != list.end();) {
            // Unsigned difference: the millisecond clock may wrap between uses.
            if (now - n->lastUse > m_dwLifeTime) {
                ReleaseNode(*n);
                n = list.erase(n);
            } else {
                ++n;
            }
        }
        entry = list.empty() ? m_Cache.erase(entry) : std::next(entry);
    }
}
