// The pools a streamed terrain makes for itself when the client gives none:
// nodes come out clean, blocks and far blocks go in released.
#pragma once
#include "kestu_dynamicterrain.h"

class CDTOwnNodePool : public CQTDNodePool {
public:
    CQTDynamicNode* Alloc(int) override
    {
        CQTDynamicNode* node = CQTDNodePool::Alloc(0);
        if (node) node->CleanUp();
        return node;
    }
};

class CDTOwnBlockPool : public CDTBlockPool {
public:
    void Free(CDynamicTerrainBlock* block, int) override
    {
        if (!block) return;
        block->Release(nullptr);
        CDTBlockPool::Free(block, 0);
    }
};

class CDTOwnOutlyingPool : public CDTOutlyingPool {
public:
    void Free(CDTOutlyingBlock* block, int) override
    {
        if (!block) return;
        block->Release();
        CDTOutlyingPool::Free(block, 0);
    }
};
