#include "support/log_capture.h"
#include "support/window.h"

#include <host/host_win32.h>

#include <set>
#include <vector>

namespace {

using kestu_test::ReadFile;
using kestu_test::SetLog;

struct MsgCase {
    HRESULT code;
    const char* text;
};

const MsgCase kMessages[] = {
    {static_cast<HRESULT>(0x82000001),
     "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is correctly "
     "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that match\n"
     "the installed DirectX DLLs."},
    {static_cast<HRESULT>(0x82000003), "Could not find any compatible Direct3D\ndevices."},
    {static_cast<HRESULT>(0x82000004),
     "This application cannot run in a desktop\nwindow with the current display settings.\nPlease change your "
     "desktop settings to a\n16- or 32-bit display mode and re-run this\napplication."},
    {static_cast<HRESULT>(0x82000005), "No hardware-accelerated Direct3D devices\nwere found."},
    {static_cast<HRESULT>(0x82000006),
     "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator."},
    {static_cast<HRESULT>(0x82000007), "Your Direct3D hardware accelerator cannot\nrender into a window.\n"},
    {static_cast<HRESULT>(0x82000008),
     "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display settings.\n"},
    {static_cast<HRESULT>(0x82000009),
     "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator with "
     "the current desktop display\nsettings.\n"},
    {static_cast<HRESULT>(0x8200000A),
     "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up)."},
    {static_cast<HRESULT>(0x8200000B), "Could not load required media."},
    {static_cast<HRESULT>(0x8200000C), "Could not reset the Direct3D device."},
    {static_cast<HRESULT>(0x8007000E), "Not enough storage is available to process this command."},
    {static_cast<HRESULT>(0x8876017C), "Not enough video memory."},
    {static_cast<HRESULT>(0x82000103), "Not build kestu before use it."},
    {static_cast<HRESULT>(0x82000104), "No support functions in current mode."},
    {static_cast<HRESULT>(0x82000105), "No support functions in this version."},
    {static_cast<HRESULT>(0x82000106), "Not found the device wanted ."},
    {static_cast<HRESULT>(0x82000107), "No valid display mode in HAL device."},
    {static_cast<HRESULT>(0x82000108), "No valid display mode in ALL device."},
    {static_cast<HRESULT>(0x82000109), "The parameter is incorrect.."},
    {static_cast<HRESULT>(0x8200010B), "Not build surface before use it."},
    {static_cast<HRESULT>(0x8200010C), "The destination pixel format don't match the source."},
    {static_cast<HRESULT>(0x8200010D), "The pixel format is not support."},
};

const char* const kGeneric = "Generic application error. Enable\ndebug output for detailed information.";
const HRESULT kWithoutText[] = {0,
                                static_cast<HRESULT>(0x82000000),
                                static_cast<HRESULT>(0x82000002),
                                static_cast<HRESULT>(0x8200010E),
                                static_cast<HRESULT>(0x82000113),
                                E_FAIL,
                                static_cast<HRESULT>(0x8876086C)};
const char* const kFatal = "\n\nThis application will now exit.";
const char* const kSwitchToRef =
    "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\nDirect3D feature "
    "set, but runs very slowly.";

class ErrorMsgTest : public kestu_test::LogTest {
protected:
    void SetUp() override
    {
        LogTest::SetUp();
        host::ClearMessageBoxes();
        g_GfxConfig.SetRenderWnd(nullptr);
    }
    void TearDown() override
    {
        host::ClearMessageBoxes();
        std::remove(kPath);
        LogTest::TearDown();
    }

    // Logs the message at the given level and returns what was written.
    std::string Logged(HRESULT code, DWORD type, int level = 4)
    {
        std::remove(kPath);
        SetLog(kPath, level);
        EXPECT_EQ(Kestu_DisplayErrorMsg(code, type), code);
        return ReadFile(kPath);
    }

    static constexpr const char* kPath = "errormsg.log";
};

TEST_F(ErrorMsgTest, EachCodeLogsItsTextWithTheSuffixOfItsType)
{
    std::vector<MsgCase> all(std::begin(kMessages), std::end(kMessages));
    for (HRESULT code : kWithoutText) all.push_back({code, kGeneric});
    for (const MsgCase& m : all) {
        SCOPED_TRACE(testing::Message() << std::hex << static_cast<uint32_t>(m.code));
        EXPECT_EQ(Logged(m.code, KESTU_MSGTYPE_INFO), m.text);
        EXPECT_EQ(Logged(m.code, 7), m.text);
        EXPECT_EQ(Logged(m.code, KESTU_MSGTYPE_FATAL), std::string(m.text) + kFatal);
        EXPECT_EQ(Logged(m.code, KESTU_MSGTYPE_SWITCHTOREF), std::string(m.text) + kSwitchToRef);
    }
}

TEST_F(ErrorMsgTest, FatalMessagesAreErrorsAndTheOthersInformation)
{
    // Level 3 writes errors only.
    EXPECT_EQ(Logged(KESTUERR_INVALIDPARAM, KESTU_MSGTYPE_FATAL, 3),
              std::string("The parameter is incorrect..") + kFatal);
    EXPECT_EQ(Logged(KESTUERR_INVALIDPARAM, KESTU_MSGTYPE_INFO, 3), "<missing>");
    EXPECT_EQ(Logged(KESTUERR_INVALIDPARAM, KESTU_MSGTYPE_SWITCHTOREF, 3), "<missing>");
}

TEST_F(ErrorMsgTest, MessageBoxOnlyForFatalMessagesWhenEnabled)
{
    struct Case {
        BOOL enabled;
        DWORD type;
        bool box;
    };
    const Case cases[] = {
        {1, KESTU_MSGTYPE_FATAL, true},
        {0, KESTU_MSGTYPE_FATAL, false},
        {1, KESTU_MSGTYPE_INFO, false},
        {1, KESTU_MSGTYPE_SWITCHTOREF, false},
        {1, 3, false},
    };
    for (const Case& c : cases) {
        host::ClearMessageBoxes();
        g_GfxConfig.GetCfg()->bErrMsgBoxEnabled = c.enabled;
        Logged(KESTUERR_NOWINDOWEDHAL, c.type);
        const auto boxes = host::GetMessageBoxes();
        SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << " type " << c.type);
        ASSERT_EQ(boxes.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(boxes[0].owner, nullptr);
            EXPECT_EQ(boxes[0].text,
                      std::string("Your Direct3D hardware accelerator cannot\nrender into a window.\n") + kFatal);
            EXPECT_EQ(boxes[0].caption, "Error");
            EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
        }
    }
}

std::vector<UINT> g_received;

LRESULT RecordingWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CLOSE) {
        g_received.push_back(msg);
        return 0; // keep the window
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(ErrorMsgTest, SixFatalCodesCloseTheRenderWindow)
{
    HWND wnd = kestu_test::MakeWindow("KestuErrorMsgTestWindow", 0, 0, 64, 64, WS_POPUP, RecordingWndProc);
    ASSERT_NE(wnd, nullptr);
    g_GfxConfig.SetRenderWnd(wnd);

    const std::set<HRESULT> closing = {static_cast<HRESULT>(0x82000001), static_cast<HRESULT>(0x82000003),
                                       static_cast<HRESULT>(0x82000008), static_cast<HRESULT>(0x8200000B),
                                       static_cast<HRESULT>(0x8200000C), E_OUTOFMEMORY};
    std::vector<HRESULT> codes;
    for (const MsgCase& m : kMessages) codes.push_back(m.code);
    codes.insert(codes.end(), std::begin(kWithoutText), std::end(kWithoutText));
    for (HRESULT code : codes) {
        for (DWORD type : {KESTU_MSGTYPE_INFO, KESTU_MSGTYPE_FATAL, KESTU_MSGTYPE_SWITCHTOREF}) {
            g_received.clear();
            Kestu_DisplayErrorMsg(code, type);
            const bool closes = type == KESTU_MSGTYPE_FATAL && closing.count(code) != 0;
            EXPECT_EQ(g_received.size(), closes ? 1u : 0u)
                << std::hex << static_cast<uint32_t>(code) << " type " << type;
        }
    }
    g_GfxConfig.SetRenderWnd(nullptr);
    g_received.clear();
    EXPECT_EQ(Kestu_DisplayErrorMsg(KESTUERR_RESETFAILED, KESTU_MSGTYPE_FATAL), KESTUERR_RESETFAILED);
    EXPECT_TRUE(g_received.empty());
    DestroyWindow(wnd);
    UnregisterClassA("KestuErrorMsgTestWindow", nullptr);
}

} // namespace
