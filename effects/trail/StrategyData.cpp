#include <cmath>
#include <cstring>

#include "kestu_trail.h"

namespace Kestu {

void* SSlotInfo::GetValue(float t, void* value) const
{
    // An element must at least hold its key.
    if (value == nullptr || dwElementSize < sizeof(float)) return nullptr;
    const unsigned long n = dwValueSize / dwElementSize;
    if (n == 0) return nullptr;
    auto* bytes = static_cast<unsigned char*>(value);
    for (unsigned long k = 0; k < n; ++k) {
        float key;
        std::memcpy(&key, bytes + k * dwElementSize, sizeof key);
        if (key >= t) return bytes + k * dwElementSize + sizeof(float);
    }
    return bytes + (n - 1) * dwElementSize + sizeof(float);
}

CStrategyData::CStrategyData(const CStrategyData& other) { *this = other; }

CStrategyData& CStrategyData::operator=(const CStrategyData& other)
{
    if (this == &other) return *this;
    Clear();
    m_Header = other.m_Header;
    unsigned long total = 0;
    for (const SSlotInfo* s : other.m_Slots) total += s->dwValueSize;
    if (total > 0) m_pBuffer = new unsigned char[total];
    m_dwCapacity = total;
    for (const SSlotInfo* s : other.m_Slots) {
        auto* copy = new SSlotInfo(*s);
        copy->dwOffset = m_dwUsed;
        if (s->dwValueSize > 0) std::memcpy(m_pBuffer + m_dwUsed, other.m_pBuffer + s->dwOffset, s->dwValueSize);
        m_dwUsed += s->dwValueSize;
        m_Slots.push_back(copy);
    }
    return *this;
}

void CStrategyData::Clear()
{
    for (SSlotInfo* s : m_Slots) delete s;
    m_Slots.clear();
    delete[] m_pBuffer;
    m_pBuffer = nullptr;
    m_dwUsed = 0;
    m_dwCapacity = 0;
}

void CStrategyData::AddSlot(float key, unsigned long size, unsigned long elementSize, const void* value)
{
    if (!(key >= 0.0f && key <= 1.0f)) return;
    if (value == nullptr && size > 0) return;
    auto* slot = new SSlotInfo;
    slot->fKey = key;
    slot->dwValueSize = size;
    slot->dwElementSize = elementSize;
    slot->dwOffset = m_dwUsed;
    auto at = m_Slots.begin();
    while (at != m_Slots.end() && (*at)->fKey < key) ++at;
    if (m_dwUsed + size >= m_dwCapacity && size > 0) {
        auto* grown = new unsigned char[m_dwUsed + size];
        if (m_dwUsed > 0) std::memcpy(grown, m_pBuffer, m_dwUsed);
        delete[] m_pBuffer;
        m_pBuffer = grown;
        m_dwCapacity = m_dwUsed + size;
    }
    if (size > 0) std::memcpy(m_pBuffer + m_dwUsed, value, size);
    m_dwUsed += size;
    m_Slots.insert(at, slot);
    ++m_Header.dwSlotCount;
}

SSlotInfo* CStrategyData::GetSlot(float t, void*& value) const
{
    for (SSlotInfo* s : m_Slots) {
        if (s->fKey >= t) {
            value = m_pBuffer != nullptr ? m_pBuffer + s->dwOffset : nullptr;
            return s;
        }
    }
    value = nullptr;
    return nullptr;
}

int ITrail_Strategy::SetStrategyData(const CStrategyData* data, unsigned long flag)
{
    if (flag == 0 || (flag & (flag - 1)) != 0 || flag > 0x80000000ul) return 1;
    const int i = __builtin_ctzl(flag);
    if (data != nullptr)
        m_pChannels[i] = *data;
    else
        m_pChannels[i].Clear();
    m_dwFlags |= flag;
    return 0;
}

void ITrail_Strategy::CopyChannels(const ITrail_Strategy& other)
{
    m_dwFlags = other.m_dwFlags;
    m_pfnCallBack = other.m_pfnCallBack;
    for (int i = 0; i < 32; ++i) {
        m_pChannels[i] = other.m_pChannels[i];
        m_pChannelSizes[i] = other.m_pChannelSizes[i];
    }
}

namespace {
int Channel(int flag)
{
    const auto f = static_cast<uint32_t>(flag);
    return f != 0 && (f & (f - 1)) == 0 ? __builtin_ctz(f) : -1;
}
} // namespace

CStrategyData* ITrail_Strategy::GetStrategyData(int flag)
{
    const int i = Channel(flag);
    return i >= 0 ? &m_pChannels[i] : nullptr;
}

unsigned long ITrail_Strategy::GetStrategyDataSize(int flag) const
{
    const int i = Channel(flag);
    return i >= 0 ? m_pChannelSizes[i] : 0;
}

} // namespace Kestu
