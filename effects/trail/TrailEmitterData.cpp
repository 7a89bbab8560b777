#include "effects/trail/TrailLists.h"
#include "kestu_trailemitter.h"

namespace Kestu {

ITrail_EmitterData::ITrail_EmitterData() : m_pRecords(new std::map<unsigned long, SRecord*>) {}

ITrail_EmitterData::ITrail_EmitterData(const ITrail_EmitterData& other) : ITrail_EmitterData() { *this = other; }

ITrail_EmitterData& ITrail_EmitterData::operator=(const ITrail_EmitterData& other)
{
    if (this == &other) return *this;
    FreeRecords();
    for (const auto& [id, record] : *other.m_pRecords) (*m_pRecords)[id] = trail::CopyRecord(*record);
    return *this;
}

ITrail_EmitterData::~ITrail_EmitterData()
{
    FreeRecords();
    delete m_pRecords;
}

void ITrail_EmitterData::FreeRecords()
{
    for (auto& [id, record] : *m_pRecords) {
        delete[] record->pFrameTimes;
        delete[] record->pMatrices;
        delete record;
    }
    m_pRecords->clear();
}

void ITrail_EmitterData::Release()
{
    if (m_dwRef == 0) delete this;
}

void ITrail_EmitterData::SetMatrixList(unsigned long id, const D3DXMATRIX* m, unsigned long n)
{
    trail::ReplaceList(*m_pRecords, id, &SRecord::pMatrices, &SRecord::dwMatrixCount, m, n);
}

void ITrail_EmitterData::SetFrameTimeList(unsigned long id, const float* t, unsigned long n)
{
    trail::ReplaceList(*m_pRecords, id, &SRecord::pFrameTimes, &SRecord::dwTimeCount, t, n);
}

} // namespace Kestu
