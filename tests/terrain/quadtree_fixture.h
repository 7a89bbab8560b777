// A complete tree over plain leaves that count their selections, for the
// quadtree tests.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "kestu_quadtree.h"

class CountingLeaf : public CQTLeaf {
public:
    void OnSelect(void* context, int whole) override
    {
        ++selected;
        lastWhole = whole;
        lastContext = context;
    }
    int selected = 0;
    int lastWhole = -1;
    void* lastContext = nullptr;
};

// size x size leaves over [0, size * cell) in x and z.
struct LeafGrid {
    explicit LeafGrid(DWORD depth, float cell = 1.0f) : size(1u << (depth - 1))
    {
        for (DWORD i = 0; i < size * size; ++i) {
            leaves.push_back(std::make_unique<CountingLeaf>());
            array.push_back(leaves.back().get());
        }
        const KESTURECT2 rect(0.0f, size * cell, size * cell, 0.0f);
        CQTNode* made = nullptr;
        result = KestuCreateQuadtree(depth, &rect, array.data(), &made);
        root.reset(made);
        if (root) {
            root->FillAltitude(0.0f);
            root->FillBoundSphere(0.0f);
        }
    }
    CountingLeaf* Leaf(DWORD column, DWORD row) { return leaves[row * size + column].get(); }
    std::vector<int> Counts() const
    {
        std::vector<int> out;
        for (const auto& l : leaves) out.push_back(l->selected);
        return out;
    }
    void Clear()
    {
        for (auto& l : leaves) l->selected = 0;
    }

    DWORD size;
    std::vector<std::unique_ptr<CountingLeaf>> leaves;
    std::vector<CQTLeaf*> array;
    std::unique_ptr<CQTNode> root;
    HRESULT result = E_FAIL;
};
