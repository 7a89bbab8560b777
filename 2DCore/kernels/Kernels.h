// The software paint kernels: the inner loops behind every 2D paint.
//
// Kernels trust their caller: it has clipped, computed the first visible
// addresses and picked the member by destination depth and pixel format.
// A width or row count below 1 paints nothing. Pitches are signed byte steps
// (orientation times row pitch).
//
// Run arguments: dst (first visible pixel), runBase (start of the run block,
// base of the row offsets), rowOffsets (table entry of the first visible row),
// width (visible width in source bytes), rows, dstPitch, leftSkip (source
// bytes clipped away left of the visible part).
// Alpha arguments: the run arguments with the uncompressed alpha plane (at
// column 0 of the first visible row) after rowOffsets and its pitch after
// dstPitch. Compressed alpha arguments: alphaBase and alphaRowOffsets after
// rowOffsets and the image width in pixels after dstPitch.
// Raw arguments: dst, src (first visible pixels), width in pixels, rows,
// dstPitch, srcPitch.
#pragma once

#include <cstdint>

// ---- Run-length copies and conversions -------------------------------------

void BltRleCopy16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                  int leftSkip);
void BltRleCopy565To32(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip);
void BltRleCopy565To4444(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                         int dstPitch, int leftSkip);
void BltRleSourceFilter16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                          int dstPitch, int leftSkip, uint16_t mask);
void BltRleSourceFilter32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                             int dstPitch, int leftSkip, uint16_t mask);

// ---- Raw copies, conversions and colour keys --------------------------------

void BltCopyAnyDepth(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel);
void BltCopy565To32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel);
void BltCopy32To565(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel);
void BltColorKey16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                   uint32_t key);
void BltColorKey32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                   uint32_t key);
void BltColorKey565To32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch,
                        int bitsPerPixel, uint32_t key);
void BltColorKey565To4444(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch,
                          int bitsPerPixel, uint32_t key);
void BltColorKey32SetAlpha(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch,
                           int bitsPerPixel, uint32_t key);

// ---- Alpha-plane blends -----------------------------------------------------

void BltRleAlpha32(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                   int rows, int dstPitch, int alphaPitch, int leftSkip);
void BltRleAlpha565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                    int rows, int dstPitch, int alphaPitch, int leftSkip);
void BltRleAlpha555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                    int rows, int dstPitch, int alphaPitch, int leftSkip);
void BltRleAlphaCompressed32(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                             const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                             int leftSkip);
void BltRleAlphaCompressed565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                              const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                              int leftSkip);
void BltRleAlphaCompressed555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                              const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                              int leftSkip);
void BltRleAlphaSourceFilter32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                                  int width, int rows, int dstPitch, int alphaPitch, int leftSkip, uint16_t mask);
void BltRleAlphaSourceFilter565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                                int width, int rows, int dstPitch, int alphaPitch, int leftSkip, uint16_t mask);
void BltRleAlphaSourceFilter555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                                int width, int rows, int dstPitch, int alphaPitch, int leftSkip, uint16_t mask);
void BltRleAlphaReserved32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                              int width, int rows, int dstPitch, int alphaPitch, int leftSkip);
void BltRleAlphaReserved565Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                               int width, int rows, int dstPitch, int alphaPitch, int leftSkip);
void BltRleAlphaReserved555Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                               int width, int rows, int dstPitch, int alphaPitch, int leftSkip);

// ---- Alpha blends scaled by the trans grade (grade 0..16) -------------------

void BltRleAlphaTransGrade32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                                int width, int rows, int dstPitch, int alphaPitch, int leftSkip, int grade);
void BltRleAlphaTransGrade565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                              int width, int rows, int dstPitch, int alphaPitch, int leftSkip, int grade);
void BltRleAlphaTransGrade555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                              int width, int rows, int dstPitch, int alphaPitch, int leftSkip, int grade);

// ---- Table-driven paints ----------------------------------------------------

void BltRleAlphaColorTable32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                                int width, int rows, int dstPitch, int alphaPitch, int leftSkip,
                                const uint16_t* colorTable);
void BltRleAlphaColorTable16(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                             int width, int rows, int dstPitch, int alphaPitch, int leftSkip,
                             const uint16_t* colorTable);
// dstTable and srcTable hold 65536 entries each; the sum wraps at 16 bits.
void BltShadeBlendKey16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch,
                        const uint16_t* dstTable, const uint16_t* srcTable, uint32_t key);
void BltShadeBlendKey565To32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch,
                             const uint16_t* dstTable, const uint16_t* srcTable, uint32_t key);

// ---- Brightness levels (0 black, 16 unchanged, 28 brightest, else white) ----

void BltRleEnhance32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                        int dstPitch, int leftSkip, int level);
void BltRleEnhance565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                      int leftSkip, int level);
void BltRleEnhance555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                      int leftSkip, int level);

// ---- Shade tables and the light grid ----------------------------------------
// A level table has 65536 entries indexed by the source pixel. The light grid
// is one level byte per cell; firstCell is the cell under the rectangle's
// top-left pixel and cellsPerRow the byte distance between grid rows.

void BltRlePixelShade32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                           int dstPitch, int leftSkip, const uint16_t* table);
void BltRlePixelShade16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                        int dstPitch, int leftSkip, const uint16_t* table);
void BltRlePixelShadeHalf32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                               int dstPitch, int leftSkip, const uint16_t* table);
void BltRlePixelShadeHalf565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                             int dstPitch, int leftSkip, const uint16_t* table);
void BltRlePixelShadeHalf555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                             int dstPitch, int leftSkip, const uint16_t* table);
void BltABLightKey16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch,
                     int srcRowPitch, const uint8_t* firstCell, int cellsPerRow, int cellWidth, int cellHeight,
                     const uint16_t* const* levelTables, uint32_t key);
void BltRleABLight32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                        int dstPitch, int leftSkip, const uint8_t* firstCell, int cellsPerRow, int cellWidth,
                        int cellHeight, const uint16_t* const* levelTables);
void BltRleABLight16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                     int leftSkip, const uint8_t* firstCell, int cellsPerRow, int cellWidth, int cellHeight,
                     const uint16_t* const* levelTables);

// ---- Translucency grades (0 keeps the destination, 15 and 16 the source) ----

void BltTransGradeKey32Nop(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int grade,
                           uint32_t key);
void BltTransGradeKey565(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int grade,
                         uint32_t key);
void BltTransGradeKey555(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int grade,
                         uint32_t key);
void BltRleTransGrade32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                           int dstPitch, int leftSkip, int grade);
void BltRleTransGrade565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                         int dstPitch, int leftSkip, int grade);
void BltRleTransGrade555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                         int dstPitch, int leftSkip, int grade);

// ---- Grey, colour-table and half blends -------------------------------------

void BltRleGray565To32(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                       int dstPitch, int leftSkip);
void BltRleGray565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip);
void BltRleGray555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip);
// 8-bit index runs: width and left skip count pixels (one byte each).
void BltRleColorTable32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                           int dstPitch, int leftSkip, const uint16_t* colorTable);
void BltRleColorTable16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                        int dstPitch, int leftSkip, const uint16_t* colorTable);
void BltRleHalf32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                     int leftSkip);
void BltRleHalf565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip);
void BltRleHalf555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip);
void BltRleSourceFilterHalf32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                                 int dstPitch, int leftSkip, uint16_t mask);
void BltRleSourceFilterHalf16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                              int dstPitch, int leftSkip, uint16_t mask);
void BltHalfKey32Nop(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, uint32_t key);
void BltHalfKey565(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, uint32_t key);
void BltHalfKey555(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, uint32_t key);
