// Holds a critical section for one scope; a null section (an object built
// without the multi-threaded flag) makes it do nothing.
#pragma once
#include <windows.h>

class TextureSection {
public:
    explicit TextureSection(CRITICAL_SECTION* section) : m_section(section)
    {
        if (m_section)
            EnterCriticalSection(m_section);
    }
    ~TextureSection()
    {
        if (m_section)
            LeaveCriticalSection(m_section);
    }
    TextureSection(const TextureSection&) = delete;
    TextureSection& operator=(const TextureSection&) = delete;

private:
    CRITICAL_SECTION* m_section;
};
