// Guard-band pixel buffers: a w x h destination with `margin` guard pixels on
// every side, optionally stored bottom-up (negative pitch). Code under test
// gets At(0, 0) and Pitch(); GuardsEqual tells whether it wrote outside.
#pragma once
#include <cstdint>
#include <random>
#include <vector>

namespace kestu_test {

// A destination with `margin` guard pixels on every side, optionally stored
// bottom-up (negative pitch).
struct Canvas {
    int width = 0, height = 0, bytesPerPixel = 2, margin = 0;
    bool bottomUp = false;
    int stride = 0;
    std::vector<uint8_t> bytes;

    Canvas(int w, int h, int bpp, int margin, bool bottomUp = false);
    uint8_t* At(int x, int y);
    const uint8_t* At(int x, int y) const;
    int Pitch() const { return bottomUp ? -stride : stride; }
    uint32_t Get(int x, int y) const;
    void Set(int x, int y, uint32_t v);
    void Fill(uint32_t v);
    void Randomize(std::mt19937& rng, const std::vector<uint16_t>* palette = nullptr);
    // True when every byte outside the w x h rectangle equals that of other.
    bool GuardsEqual(const Canvas& other) const;
};

} // namespace kestu_test
