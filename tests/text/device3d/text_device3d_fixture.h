// The shared device with the test font built from a folder of the test's
// own, and the clock held still, for the 3D text device tests.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/host_win32.h"
#include "support/device.h"
#include "text_fixture.h"

namespace text_test {

class TextDevice3DSuite : public testdevice::DeviceSuite<64, 64, true> {
protected:
    // `folderName`: the font's folder under the working folder.
    explicit TextDevice3DSuite(const char* folderName) : folder(std::filesystem::current_path() / folderName) {}

    void SetUp() override
    {
        DeviceSuite::SetUp();
        std::filesystem::create_directories(folder);
        WriteFile((folder / "t.fnt").string(), FontBytes(TestFont()));
        const std::string path = folder.string() + "/";
        const char* names[] = {"t.fnt"};
        int flags[] = {1};
        ASSERT_EQ(font.Build(path.c_str(), names, 1, nullptr, flags), 1);
        host::SetClock(1000);
    }
    void TearDown() override
    {
        host::UseRealClock();
        std::filesystem::remove_all(folder);
    }

    std::filesystem::path folder;
    CGfxFont font;
};

} // namespace text_test
