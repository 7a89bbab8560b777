// What the particle file and script readers have read so far of one input, as
// a whole, against the bounds CParticleSystemMng names (kMaxRead...).
#pragma once
#include <cstdint>

class CParticleSystem;

class ParticleReadTotals {
public:
    // input names the kind of input for the log: "file" or "script".
    explicit ParticleReadTotals(const char* input) : m_szInput(input) {}

    // Adds the system just read; false, with a line in the log, once the
    // input passes a bound.
    bool Add(CParticleSystem& system);

private:
    bool Within(const char* what, uint64_t total, uint64_t bound) const;

    const char* m_szInput;
    uint64_t m_nSystems = 0;
    uint64_t m_nGroups = 0;
    uint64_t m_nParticles = 0;
    uint64_t m_nVisits = 0;
};
