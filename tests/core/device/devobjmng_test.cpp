#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/device/GfxDevObjPair.h"
#include "core/device/GfxNullDevObjMng.h"

namespace {

// Records each call as "<name>.<event>" into a shared journal.
class RecordingMng : public CKestuDevObjMng {
public:
    RecordingMng(std::string name, std::vector<std::string>& journal, HRESULT result)
        : m_name(std::move(name)), m_journal(journal), m_result(result)
    {
    }

    HRESULT ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT fmt) override
    {
        m_journal.push_back(m_name + ".Confirm");
        lastCaps = caps;
        lastBehavior = behavior;
        lastFormat = fmt;
        return m_result;
    }
    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override
    {
        m_journal.push_back(m_name + ".Init");
        lastDevice = device;
        return m_result;
    }
    HRESULT ActivateDeviceObjects() override
    {
        m_journal.push_back(m_name + ".Activate");
        return m_result;
    }
    HRESULT InvalidateDeviceObjects() override
    {
        m_journal.push_back(m_name + ".Invalidate");
        return m_result;
    }

    D3DCAPS8* lastCaps = nullptr;
    DWORD lastBehavior = 0;
    D3DFORMAT lastFormat = D3DFMT_UNKNOWN;
    IDirect3DDevice8* lastDevice = nullptr;

private:
    std::string m_name;
    std::vector<std::string>& m_journal;
    HRESULT m_result;
};

// A manager that keeps the base's ConfirmDevice.
class PlainMng : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8*) override { return E_FAIL; }
    HRESULT ActivateDeviceObjects() override { return E_FAIL; }
    HRESULT InvalidateDeviceObjects() override { return E_FAIL; }
};

HRESULT RunEvent(CGfxDevObjPair& pair, const std::string& event)
{
    static D3DCAPS8 caps;
    if (event == "Confirm") return pair.ConfirmDevice(&caps, 0x40, D3DFMT_X8R8G8B8);
    if (event == "Init") return pair.InitDeviceObjects(reinterpret_cast<IDirect3DDevice8*>(&caps));
    if (event == "Activate") return pair.ActivateDeviceObjects();
    return pair.InvalidateDeviceObjects();
}

const char* const kEvents[] = {"Confirm", "Init", "Activate", "Invalidate"};

TEST(DevObjPair, WithoutChildrenEveryEventSucceeds)
{
    CGfxDevObjPair pair;
    for (const char* event : kEvents) EXPECT_EQ(RunEvent(pair, event), S_OK) << event;
}

TEST(DevObjPair, ForwardsToFirstThenSecondAndReturnsTheLastResult)
{
    struct Case {
        bool hasFirst, hasSecond;
        HRESULT firstResult, secondResult;
        HRESULT expected;
        int calls; // how many children are called
    };
    const Case cases[] = {
        {true, false, 3, 0, 3, 1},
        {true, false, E_FAIL, 0, E_FAIL, 1},
        {false, true, 0, 5, 5, 1},
        {false, true, 0, E_OUTOFMEMORY, E_OUTOFMEMORY, 1},
        {true, true, 2, 7, 7, 2}, // success of the first is not kept
        {true, true, 0, E_FAIL, E_FAIL, 2},
        {true, true, E_INVALIDARG, 0, E_INVALIDARG, 1}, // a failing first child stops the event
    };
    for (const Case& c : cases) {
        for (const char* event : kEvents) {
            std::vector<std::string> journal;
            RecordingMng first("first", journal, c.firstResult);
            RecordingMng second("second", journal, c.secondResult);
            CGfxDevObjPair pair;
            if (c.hasFirst) pair.SetFirst(&first);
            if (c.hasSecond) pair.SetSecond(&second);

            SCOPED_TRACE(testing::Message() << event << " first=" << c.hasFirst << " second=" << c.hasSecond
                                            << " r1=" << c.firstResult << " r2=" << c.secondResult);
            EXPECT_EQ(RunEvent(pair, event), c.expected);
            std::vector<std::string> expectedJournal;
            if (c.hasFirst) expectedJournal.push_back(std::string("first.") + event);
            if (c.hasSecond && static_cast<int>(expectedJournal.size()) < c.calls)
                expectedJournal.push_back(std::string("second.") + event);
            EXPECT_EQ(journal, expectedJournal);
        }
    }
}

TEST(DevObjPair, PassesArgumentsThrough)
{
    std::vector<std::string> journal;
    RecordingMng first("first", journal, S_OK);
    RecordingMng second("second", journal, S_OK);
    CGfxDevObjPair pair;
    pair.SetFirst(&first);
    pair.SetSecond(&second);
    D3DCAPS8 caps{};
    auto* device = reinterpret_cast<IDirect3DDevice8*>(&caps);
    EXPECT_EQ(pair.ConfirmDevice(&caps, 0x20, D3DFMT_R5G6B5), S_OK);
    EXPECT_EQ(pair.InitDeviceObjects(device), S_OK);
    for (const RecordingMng* m : {&first, &second}) {
        EXPECT_EQ(m->lastCaps, &caps);
        EXPECT_EQ(m->lastBehavior, 0x20u);
        EXPECT_EQ(m->lastFormat, D3DFMT_R5G6B5);
        EXPECT_EQ(m->lastDevice, device);
    }
}

TEST(DevObjMng, BaseConfirmAcceptsAndNullManagerSucceeds)
{
    PlainMng plain;
    D3DCAPS8 caps{};
    EXPECT_EQ(plain.ConfirmDevice(&caps, 0, D3DFMT_R5G6B5), S_OK);

    CGfxNullDevObjMng null;
    EXPECT_EQ(null.ConfirmDevice(nullptr, 0, D3DFMT_UNKNOWN), S_OK);
    EXPECT_EQ(null.InitDeviceObjects(nullptr), S_OK);
    EXPECT_EQ(null.ActivateDeviceObjects(), S_OK);
    EXPECT_EQ(null.InvalidateDeviceObjects(), S_OK);
}

} // namespace
