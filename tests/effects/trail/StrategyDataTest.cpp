#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "kestu_trail.h"

using namespace Kestu;

namespace {

float FirstFloat(const void* p)
{
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

TEST(StrategyData, SlotsStayInKeyOrderAndNewEqualKeysGoFirst)
{
    CStrategyData data;
    const float a[2] = {0.0f, 10.0f}, b[2] = {0.0f, 20.0f}, c[2] = {0.0f, 30.0f}, d[2] = {0.0f, 40.0f};
    data.AddSlot(0.5f, 8, 8, a);
    data.AddSlot(1.0f, 8, 8, b);
    data.AddSlot(0.5f, 8, 8, c);
    data.AddSlot(1.5f, 8, 8, d); // outside 0..1
    data.AddSlot(std::nanf(""), 8, 8, d);
    data.AddSlot(-0.1f, 8, 8, d);
    EXPECT_EQ(data.GetHeader().dwSlotCount, 3u);
    ASSERT_EQ(data.GetSlots().size(), 3u);
    void* value = nullptr;
    const SSlotInfo* slot = data.GetSlot(0.2f, value);
    ASSERT_NE(slot, nullptr);
    EXPECT_FLOAT_EQ(FirstFloat(static_cast<char*>(value) + 4), 30.0f) << "the later of two equal keys";
    slot = data.GetSlot(0.7f, value);
    EXPECT_FLOAT_EQ(FirstFloat(static_cast<char*>(value) + 4), 20.0f);
    EXPECT_FLOAT_EQ(slot->fKey, 1.0f);

    CStrategyData high;
    high.AddSlot(0.5f, 8, 8, a);
    EXPECT_EQ(high.GetSlot(0.9f, value), nullptr) << "no slot reaches 0.9";
    EXPECT_EQ(value, nullptr);

    CStrategyData copy(data);
    data.Clear();
    EXPECT_EQ(copy.GetSlots().size(), 3u);
    copy.GetSlot(0.9f, value);
    EXPECT_FLOAT_EQ(FirstFloat(static_cast<char*>(value) + 4), 20.0f) << "the copy owns its values";
    CStrategyData assigned;
    assigned.AddSlot(0.1f, 8, 8, d);
    assigned = copy;
    EXPECT_EQ(assigned.GetSlots().size(), 3u);
}

TEST(StrategyData, ElementLookupWithinASlot)
{
    // Elements of (key, value): 0 -> 1, 0.5 -> 2, 1 -> 3.
    const float elements[6] = {0.0f, 1.0f, 0.5f, 2.0f, 1.0f, 3.0f};
    SSlotInfo slot;
    slot.dwValueSize = sizeof elements;
    slot.dwElementSize = 8;
    void* base = const_cast<float*>(elements);
    EXPECT_EQ(slot.GetValue(0.0f, base), &elements[1]);
    EXPECT_EQ(slot.GetValue(0.3f, base), &elements[3]);
    EXPECT_EQ(slot.GetValue(1.0f, base), &elements[5]);
    EXPECT_EQ(slot.GetValue(2.0f, base), &elements[5]) << "past every key: the last";
    for (unsigned long tooSmall : {0ul, 1ul, 3ul}) {
        slot.dwElementSize = tooSmall;
        EXPECT_EQ(slot.GetValue(2.0f, base), nullptr) << "elements of " << tooSmall << " bytes hold no key";
    }
    slot.dwElementSize = 32;
    EXPECT_EQ(slot.GetValue(0.0f, base), nullptr) << "no whole element";
}

TEST(StrategyData, OnlySingleBitFlagsNameAChannel)
{
    CTrail_Strategy s;
    CStrategyData data;
    const float e[2] = {0.0f, 1.0f};
    data.AddSlot(1.0f, 8, 8, e);
    for (unsigned long bad : {0ul, 3ul, 12ul, 0x100000000ul}) EXPECT_EQ(s.SetStrategyData(&data, bad), 1) << bad;
    EXPECT_EQ(s.GetStrategyDataFlags(), 0u);
    EXPECT_EQ(s.SetStrategyData(&data, TRAIL_CHANNEL_WIDTH), 0);
    EXPECT_EQ(s.SetStrategyData(&data, 0x80000000ul), 0);
    EXPECT_EQ(s.GetStrategyDataFlags(), 0x80000004u);
    ASSERT_NE(s.GetStrategyData(4), nullptr);
    EXPECT_EQ(s.GetStrategyData(4)->GetSlots().size(), 1u);
    EXPECT_EQ(s.GetStrategyData(6), nullptr);
    EXPECT_EQ(s.GetStrategyDataSize(4), 0u);
    CTrail_Strategy copy(s);
    CTrail_Strategy assigned;
    assigned = s;
    for (CTrail_Strategy* twin : {&copy, &assigned}) {
        ASSERT_NE(twin->GetStrategyData(4), s.GetStrategyData(4)) << "a copy keeps channels of its own";
        EXPECT_EQ(twin->GetStrategyData(4)->GetSlots().size(), 1u);
        EXPECT_EQ(twin->GetStrategyDataFlags(), 0x80000004u);
    }
    s.GetStrategyData(4)->Clear();
    EXPECT_EQ(copy.GetStrategyData(4)->GetSlots().size(), 1u);
}

} // namespace
