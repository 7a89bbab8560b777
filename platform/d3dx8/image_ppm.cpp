// Portable pixmaps and greymaps, text (P2, P3) and binary (P5, P6).
#include <string>

#include "d3dx8/image_codec.h"

namespace kestu::d3dx {
namespace {

// Header and text-sample tokens; comments run from '#' to the line end.
class PnmScanner {
public:
    PnmScanner(const uint8_t* data, size_t size) : d_(data), n_(size) {}
    size_t pos = 0;

    bool Number(uint32_t& value)
    {
        for (;;) {
            if (pos >= n_) return false;
            const uint8_t c = d_[pos];
            if (c == '#') {
                while (pos < n_ && d_[pos] != '\n' && d_[pos] != '\r') ++pos;
            } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
                ++pos;
            } else {
                break;
            }
        }
        if (d_[pos] < '0' || d_[pos] > '9') return false;
        uint64_t v = 0;
        while (pos < n_ && d_[pos] >= '0' && d_[pos] <= '9') {
            v = v * 10 + (d_[pos++] - '0');
            if (v > 0xFFFFFFFFull) return false;
        }
        value = (uint32_t)v;
        return true;
    }

private:
    const uint8_t* d_;
    size_t n_;
};

} // namespace

HRESULT DecodePpm(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out)
{
    if (size < 3 || data[0] != 'P') return D3DXERR_INVALIDDATA;
    const char kind = (char)data[1];
    if (kind != '2' && kind != '3' && kind != '5' && kind != '6') return D3DXERR_INVALIDDATA;
    const bool grey = kind == '2' || kind == '5';
    const bool text = kind == '2' || kind == '3';
    PnmScanner s(data, size);
    s.pos = 2;
    uint32_t width = 0, height = 0, maxValue = 0;
    if (!s.Number(width) || !s.Number(height) || !s.Number(maxValue)) return D3DXERR_INVALIDDATA;
    if (maxValue == 0 || maxValue > 65535 || !ImageSizeAllowed(width, height)) return D3DXERR_INVALIDDATA;
    const uint32_t channels = grey ? 1 : 3;
    const uint32_t sampleBytes = maxValue > 255 ? 2 : 1;
    if (!text) {
        // Exactly one whitespace byte ends the header of a binary file.
        if (s.pos >= size) return D3DXERR_INVALIDDATA;
        ++s.pos;
        if (size - s.pos < (uint64_t)width * height * channels * sampleBytes) return D3DXERR_INVALIDDATA;
    }
    out.fileFormat = kFilePpm;
    out.width = width;
    out.height = height;
    out.format = grey ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
    if (infoOnly) return S_OK;

    Image image;
    if (!image.Allocate(width, height)) return D3DXERR_INVALIDDATA;
    const size_t total = (size_t)width * height;
    auto scale = [maxValue](uint32_t v) -> uint32_t {
        return v >= maxValue ? 255 : (v * 255 + maxValue / 2) / maxValue;
    };
    size_t at = s.pos;
    for (size_t i = 0; i < total; ++i) {
        uint32_t c[3] = {0, 0, 0};
        for (uint32_t k = 0; k < channels; ++k) {
            if (text) {
                if (!s.Number(c[k])) return D3DXERR_INVALIDDATA;
            } else if (sampleBytes == 2) {
                c[k] = (uint32_t)(data[at] << 8 | data[at + 1]);
                at += 2;
            } else {
                c[k] = data[at++];
            }
            c[k] = scale(c[k]);
        }
        if (grey) c[1] = c[2] = c[0];
        image.argb[i] = 0xFF000000u | (c[0] << 16) | (c[1] << 8) | c[2];
    }
    out.images.push_back(std::move(image));
    return S_OK;
}

HRESULT EncodePpm(const Image& image, std::vector<uint8_t>& out)
{
    if (image.width == 0 || image.height == 0) return E_INVALIDARG;
    const std::string header = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    out.assign(header.begin(), header.end());
    out.reserve(out.size() + image.argb.size() * 3);
    for (uint32_t px : image.argb) {
        out.push_back((uint8_t)(px >> 16));
        out.push_back((uint8_t)(px >> 8));
        out.push_back((uint8_t)px);
    }
    return S_OK;
}

} // namespace kestu::d3dx
