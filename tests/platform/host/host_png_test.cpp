#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>

#include "support/replace_checks.h"
#include "host/host_win32.h"
#include "win32/window_store.h"
#include "windows.h"

namespace {

TEST(HostWindowPixels, ReadAndSaveAsPng)
{
    host::ResetWin32();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "png";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, "png", "", WS_POPUP, 0, 0, 5, 3, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    auto* store = kestu::platform::GetWindowStore(hwnd);
    ASSERT_NE(store, nullptr);
    for (size_t i = 0; i < store->pixels.size(); ++i)
        store->pixels[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x0A0B0C);

    host::WindowPixels px;
    ASSERT_TRUE(host::ReadWindowPixels(hwnd, &px));
    EXPECT_EQ(px.width, 5);
    EXPECT_EQ(px.height, 3);
    EXPECT_EQ(px.pixels, store->pixels);
    EXPECT_FALSE(host::ReadWindowPixels(reinterpret_cast<HWND>(0x4), &px));

    replacecheck::Scratch scratch("host_png");
    const std::string path = scratch.Path("window.png");
    replacecheck::WriteText(path, "old", 0600);
    const replacecheck::PlantedLinks links(scratch, "window.png");
    ASSERT_TRUE(host::SaveWindowPng(hwnd, path));
    links.ExpectReplaced(scratch, "window.png", 0600);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    ASSERT_EQ(image.width, 5u);
    ASSERT_EQ(image.height, 3u);
    for (size_t i = 0; i < store->pixels.size(); ++i) {
        uint32_t p = store->pixels[i];
        EXPECT_EQ(rgb[i * 3 + 0], (p >> 16) & 0xFF);
        EXPECT_EQ(rgb[i * 3 + 1], (p >> 8) & 0xFF);
        EXPECT_EQ(rgb[i * 3 + 2], p & 0xFF);
    }

    EXPECT_FALSE(host::SaveWindowPng(hwnd, "/nonexistent-dir/x.png"));
    EXPECT_FALSE(host::SaveWindowPng(nullptr, path));
    host::ResetWin32();
}

} // namespace
