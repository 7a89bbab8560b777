#include <gtest/gtest.h>

#include <cstdlib>

#include "host/host_win32.h"
#include "windows.h"

namespace {

class Win32Dialog : public ::testing::Test {
protected:
    void SetUp() override { host::ResetWin32(); }
    void TearDown() override { host::ResetWin32(); }
};

TEST_F(Win32Dialog, MessageBoxNeverBlocksAndAnswersWithItsDefaultButton)
{
    struct Case {
        UINT type;
        int answer;
    } cases[] = {
        {MB_OK | MB_ICONERROR, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
        {MB_YESNOCANCEL, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_RETRYCANCEL, IDRETRY},
        {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCONTINUE},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", c.type), c.answer) << c.type;
    auto boxes = host::GetMessageBoxes();
    ASSERT_EQ(boxes.size(), std::size(cases));
    EXPECT_EQ(boxes[0].text, "text");
    EXPECT_EQ(boxes[0].caption, "caption");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes[1].answer, IDCANCEL);

    host::ClearMessageBoxes();
    host::SetMessageBoxAnswer(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Could not reset the Direct3D device.", nullptr, MB_YESNO), IDNO);
    boxes = host::GetMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error"); // no caption given
    EXPECT_EQ(boxes[0].answer, IDNO);

    EXPECT_TRUE(MessageBeep(0xFFFFFFFF));
    EXPECT_EQ(host::GetMessageBeeps(), std::vector<UINT>{0xFFFFFFFF});
    host::ResetWin32();
    EXPECT_TRUE(host::GetMessageBoxes().empty());
    EXPECT_TRUE(host::GetMessageBeeps().empty());
}

TEST_F(Win32Dialog, DebugOutputIsCaptured)
{
    OutputDebugStringA("Build FAILED\n");
    OutputDebugStringA(nullptr);
    OutputDebugStringA("Add vertex:3\n\r");
    EXPECT_EQ(host::GetDebugOutput(), (std::vector<std::string>{"Build FAILED\n", "Add vertex:3\n\r"}));
    EXPECT_EQ(host::GetDebugOutputText(), "Build FAILED\nAdd vertex:3\n\r");
    host::ClearDebugOutput();
    EXPECT_TRUE(host::GetDebugOutput().empty());

    // Echoed to stderr only on request.
    unsetenv("KESTU_DEBUG_OUTPUT");
    ::testing::internal::CaptureStderr();
    OutputDebugStringA("quiet\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    setenv("KESTU_DEBUG_OUTPUT", "1", 1);
    ::testing::internal::CaptureStderr();
    OutputDebugStringA("loud\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "loud\n");
    unsetenv("KESTU_DEBUG_OUTPUT");
    EXPECT_EQ(host::GetDebugOutput(), (std::vector<std::string>{"quiet\n", "loud\n"}));
}

TEST_F(Win32Dialog, MessageBoxIsLoggedOnStderr)
{
    ::testing::internal::CaptureStderr();
    MessageBoxA(nullptr, "Not enough video memory.", "Error", MB_ICONERROR);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error"), std::string::npos);
    EXPECT_NE(err.find("Not enough video memory."), std::string::npos);
}

} // namespace
