// SNamedTexture: an owned texture under a file name, the entry of a texture
// list in array mode.
#include <cstring>
#include <new>

#include "kestu_texture_list.h"

SNamedTexture::SNamedTexture(CTexture* texture, const char* name) : pTexture(texture), pszName(nullptr)
{
    SetName(name);
}

// The name is copied so each entry frees only its own.
SNamedTexture::SNamedTexture(const SNamedTexture& other) : pTexture(other.pTexture), pszName(nullptr)
{
    SetName(other.pszName);
}

SNamedTexture& SNamedTexture::operator=(const SNamedTexture& other)
{
    if (this != &other) {
        pTexture = other.pTexture;
        SetName(other.pszName);
    }
    return *this;
}

SNamedTexture::~SNamedTexture() { ReleaseName(); }

HRESULT SNamedTexture::SetName(const char* name)
{
    if (name == pszName && name) return 0;
    ReleaseName();
    if (!name) return 0;
    const size_t length = std::strlen(name);
    pszName = new (std::nothrow) char[length + 1];
    if (!pszName) return E_OUTOFMEMORY;
    std::memcpy(pszName, name, length + 1);
    return 0;
}

void SNamedTexture::ReleaseName()
{
    delete[] pszName;
    pszName = nullptr;
}

int SNamedTexture::IsSame(const char* name) const
{
    return (pszName && name && std::strcmp(pszName, name) == 0) ? 1 : 0;
}
