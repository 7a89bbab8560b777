#include "support/image.h"

#include <cstdlib>
#include <cstdio>
#include <vector>

#include "host/host_d3d8.h"

namespace kestu_test {
namespace {

std::string FileStem(const std::string& what)
{
    return what.empty() ? CurrentTestName() : CurrentTestName() + "-" + what;
}

void SavePair(const Image& actual, const Image& expected, const std::string& what)
{
    const std::string stem = FileStem(what);
    host::SavePixelsPng(actual, OutputPath(stem + "-actual"));
    host::SavePixelsPng(expected, OutputPath(stem + "-expected"));
}

} // namespace

std::string CurrentTestName()
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "no-test";
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

std::string OutputPath(const std::string& name)
{
    const char* dir = std::getenv("KESTU_TEST_OUTPUT");
    return std::string(dir ? dir : ".") + "/" + name + ".png";
}

Image ReadRenderTarget(IDirect3DDevice8* device)
{
    Image image;
    UINT w = 0, h = 0;
    if (device != nullptr && host::D3D8ReadRenderTarget(device, image.pixels, w, h)) {
        image.width = int32_t(w);
        image.height = int32_t(h);
    } else {
        image.pixels.clear();
    }
    return image;
}

Image ReadWindow(HWND window)
{
    Image image;
    if (!host::ReadWindowPixels(window, &image)) image = Image();
    return image;
}

bool ChannelsNear(uint32_t a, uint32_t b, int tolerance, uint32_t mask)
{
    for (int shift = 0; shift < 32; shift += 8) {
        if (((mask >> shift) & 0xFF) == 0) continue;
        const int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance) return false;
    }
    return true;
}

testing::AssertionResult ImagesNear(const Image& actual, const Image& expected, int tolerance, const std::string& what,
                                    uint32_t mask)
{
    if (actual.width != expected.width || actual.height != expected.height ||
        actual.pixels.size() != expected.pixels.size()) {
        SavePair(actual, expected, what);
        return testing::AssertionFailure() << "picture is " << actual.width << "x" << actual.height << ", expected "
                                           << expected.width << "x" << expected.height;
    }
    size_t wrong = 0, first = 0;
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
        if (ChannelsNear(actual.pixels[i], expected.pixels[i], tolerance, mask)) continue;
        if (wrong++ == 0) first = i;
    }
    if (wrong == 0) return testing::AssertionSuccess();
    SavePair(actual, expected, what);
    char text[160];
    std::snprintf(text, sizeof text, "%zu pixels differ; first (%d,%d) is %08X, expected %08X", wrong,
                  int(first % size_t(actual.width)), int(first / size_t(actual.width)), actual.pixels[first],
                  expected.pixels[first]);
    return testing::AssertionFailure() << text;
}

testing::AssertionResult PixelNear(const Image& actual, int x, int y, uint32_t expected, int tolerance,
                                   const std::string& what)
{
    if (x < 0 || y < 0 || x >= actual.width || y >= actual.height ||
        actual.pixels.size() != size_t(actual.width) * size_t(actual.height)) {
        host::SavePixelsPng(actual, OutputPath(FileStem(what) + "-actual"));
        return testing::AssertionFailure()
               << "pixel (" << x << "," << y << ") outside the " << actual.width << "x" << actual.height << " picture";
    }
    const uint32_t got = actual.pixels[size_t(y) * size_t(actual.width) + size_t(x)];
    if (ChannelsNear(got, expected, tolerance)) return testing::AssertionSuccess();
    Image wanted = actual;
    wanted.pixels[size_t(y) * size_t(actual.width) + size_t(x)] = expected;
    SavePair(actual, wanted, what);
    char text[128];
    std::snprintf(text, sizeof text, "pixel (%d,%d) is %08X, expected %08X", x, y, got, expected);
    return testing::AssertionFailure() << text;
}

void SaveIfFailed(const Image& picture, const std::string& what)
{
    if (!testing::Test::HasFailure() || picture.pixels.empty()) return;
    host::SavePixelsPng(picture, OutputPath(FileStem(what) + "-actual"));
}

} // namespace kestu_test
