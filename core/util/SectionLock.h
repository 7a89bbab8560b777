// The optional lock of the texture manager, the texture list and the GMA mesh
// manager: a critical section that exists only when its owner was built
// multi-threaded. The owner passes null for a lock it does not have, and
// every operation then does nothing (a try succeeds).
#pragma once
#include <windows.h>

namespace kestu {

// Creates the section when wanted, else leaves none; open says which.
template <class Flag>
void OpenSection(CRITICAL_SECTION& section, Flag& open, bool wanted)
{
    if (wanted) InitializeCriticalSection(&section);
    open = wanted ? 1 : 0;
}

// Deletes the section if there is one.
template <class Flag>
void CloseSection(CRITICAL_SECTION& section, Flag& open)
{
    if (open) DeleteCriticalSection(&section);
    open = 0;
}

inline void EnterSection(CRITICAL_SECTION* section)
{
    if (section) EnterCriticalSection(section);
}

inline void LeaveSection(CRITICAL_SECTION* section)
{
    if (section) LeaveCriticalSection(section);
}

inline BOOL TryEnterSection(CRITICAL_SECTION* section) { return section ? TryEnterCriticalSection(section) : TRUE; }

// Holds the section for one scope.
class SectionLock {
public:
    explicit SectionLock(CRITICAL_SECTION* section) : m_section(section) { EnterSection(m_section); }
    ~SectionLock() { LeaveSection(m_section); }
    SectionLock(const SectionLock&) = delete;
    SectionLock& operator=(const SectionLock&) = delete;

private:
    CRITICAL_SECTION* m_section;
};

} // namespace kestu
