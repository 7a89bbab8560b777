// Private: the columns of a nearest-lower stretch worked out once and applied
// to many rows. n source pixels spread over m > 0 columns, pixel i covering
// columns [floor(i * m / n), floor((i + 1) * m / n)): column j takes source
// pixel floor((n * j + n - 1) / m). A plan covers columns [j0, j1) of such a
// spread; applying it writes them, from the first, for one source row of
// 16-bit pixels. Eight columns at a time drawn from at most sixteen
// neighbouring source pixels are one or two byte shuffles where the
// processor has them.
#pragma once

#include <cstdint>
#include <memory>

namespace kestu::kernels {

// The sources below walk column j of a spread upwards from j0.

// Exact stepping by remainder, for any width.
class RemainderSource {
public:
    RemainderSource(int n, int m, int j0) : q_(n / m), r_(n % m), m_(m)
    {
        const long long a = static_cast<long long>(n) * j0 + n - 1;
        i_ = static_cast<int>(a / m);
        e_ = static_cast<int>(a % m);
    }
    int index() const { return static_cast<int>(i_); }
    void Next()
    {
        e_ += r_;
        if (e_ >= m_) {
            e_ -= m_;
            ++i_;
        }
        i_ += q_;
    }

private:
    int q_, r_, m_, i_, e_;
};

// 32.32 fixed point rounded up: one add a column. After t steps the value
// lies less than (t + 1) / 2^32 above the exact quotient, whose fraction is
// at most (m - 1) / m, so the floor stays exact while (t + 1) * m < 2^32,
// which m < 65536 ensures.
class FixedSource {
public:
    FixedSource(int n, int m, int j0)
    {
        const uint64_t a = uint64_t(n) * uint64_t(j0) + uint64_t(n) - 1;
        x_ = ((a / uint64_t(m)) << 32) + (((a % uint64_t(m)) << 32) + uint64_t(m) - 1) / uint64_t(m);
        step_ =
            ((uint64_t(n) / uint64_t(m)) << 32) + (((uint64_t(n) % uint64_t(m)) << 32) + uint64_t(m) - 1) / uint64_t(m);
    }
    int index() const { return static_cast<int>(x_ >> 32); }
    void Next() { x_ += step_; }

private:
    uint64_t x_, step_;
};

// op(destinationColumn, sourceIndex) for columns [j0, j1) of n pixels spread over m.
template <class Op>
inline void SpreadColumns(int n, int m, int j0, int j1, Op&& op)
{
    if (j0 >= j1) return;
    auto walk = [&](auto from) {
#pragma GCC unroll 4
        for (int j = j0; j < j1; ++j, from.Next()) op(j, from.index());
    };
    if (m < 65536)
        walk(FixedSource(n, m, j0));
    else
        walk(RemainderSource(n, m, j0));
}

class ColumnPlan {
public:
    ColumnPlan() = default;
    ColumnPlan(const ColumnPlan&) = delete;
    ColumnPlan& operator=(const ColumnPlan&) = delete;

    // Plans columns [j0, j1) of n pixels spread over m (0 <= j0 < j1 <= m).
    void Build(int n, int m, int j0, int j1);
    bool Covers(int n, int m, int j0, int j1) const { return n_ == n && m_ == m && j0_ == j0 && j1_ == j1; }
    int columns() const { return j1_ - j0_; }

    // out[k] = src[index of column j0 + k] for every planned column. Reads
    // nothing outside the n source pixels.
    void Apply(uint8_t* out, const uint8_t* src) const;

private:
    // Eight columns starting at `first` (relative to j0): shuffled from the
    // sixteen source bytes at pixel `load` (and the sixteen at load + 8 when
    // `two`), or copied pixel by pixel.
    struct Block {
        int32_t first;
        int32_t load;
        uint8_t kind; // kShuffle, kTwoShuffles or kGather
        alignas(16) uint8_t low[16];
        alignas(16) uint8_t high[16];
    };
    enum : uint8_t { kShuffle, kTwoShuffles, kGather };
    static constexpr int kInlineColumns = 512;

    void Gather(uint8_t* out, const uint8_t* src, int first, int count) const;
    void ApplyShuffles(uint8_t* out, const uint8_t* src) const;

    int n_ = 0, m_ = 0, j0_ = 0, j1_ = 0;
    int blocks_ = 0;
    int32_t* index_ = inlineIndex_;
    Block* block_ = inlineBlocks_;
    std::unique_ptr<int32_t[]> heapIndex_;
    std::unique_ptr<Block[]> heapBlocks_;
    int capacity_ = kInlineColumns;
    int32_t inlineIndex_[kInlineColumns];
    Block inlineBlocks_[kInlineColumns / 8];
};

} // namespace kestu::kernels
