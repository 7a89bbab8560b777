#include "kestu_meshani.h"
#include "kestu_meshanidata.h"

HRESULT CMeshAni::Build(CMeshAniData* data)
{
    if (!data || !data->GetContainer() || !data->GetContainer()->GetMeshFrameList()) return E_FAIL;
    // The frame list must cover every frame of the header it is read with.
    if (data->GetContainer()->GetNumFrames() < data->GetMeshAniHeader()->dwNumFrames) return E_FAIL;
    return Build(data->GetMeshAniHeader(), data->GetContainer()->GetMeshFrameList(), data->GetID());
}
