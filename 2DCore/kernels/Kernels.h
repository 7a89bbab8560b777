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
void BltRleCopy565To4444(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                         int leftSkip);
void BltRleSourceFilter16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                          int leftSkip, uint16_t mask);
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
void BltColorKey565To32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                        uint32_t key);
void BltColorKey565To4444(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                          uint32_t key);
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

void BltRleEnhance32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip, int level);
void BltRleEnhance565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                      int leftSkip, int level);
void BltRleEnhance555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                      int leftSkip, int level);

// ---- Shade tables and the light grid ----------------------------------------
// A level table has 65536 entries indexed by the source pixel. The light grid
// is one level byte per cell; firstCell is the cell under the rectangle's
// top-left pixel and cellsPerRow the byte distance between grid rows.
// BltABLightKey16 advances the source by srcPitch; srcRowPitch (the pitch
// without orientation) is accepted for the caller's argument order only.

void BltRlePixelShade32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                           int dstPitch, int leftSkip, const uint16_t* table);
void BltRlePixelShade16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip, const uint16_t* table);
void BltRlePixelShadeHalf32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                               int dstPitch, int leftSkip, const uint16_t* table);
void BltRlePixelShadeHalf565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                             int dstPitch, int leftSkip, const uint16_t* table);
void BltRlePixelShadeHalf555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                             int dstPitch, int leftSkip, const uint16_t* table);
void BltABLightKey16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int srcRowPitch,
                     const uint8_t* firstCell, int cellsPerRow, int cellWidth, int cellHeight,
                     const uint16_t* const* levelTables, uint32_t key);
void BltRleABLight32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip, const uint8_t* firstCell, int cellsPerRow, int cellWidth, int cellHeight,
                        const uint16_t* const* levelTables);
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
void BltRleTransGrade565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                         int leftSkip, int grade);
void BltRleTransGrade555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                         int leftSkip, int grade);

// ---- Grey, colour-table and half blends -------------------------------------

void BltRleGray565To32(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip);
void BltRleGray565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip);
void BltRleGray555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip);
// 8-bit index runs: width and left skip count pixels (one byte each).
void BltRleColorTable32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                           int dstPitch, int leftSkip, const uint16_t* colorTable);
void BltRleColorTable16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip, const uint16_t* colorTable);
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

// ---- Mirrored (left to right) and upside-down members ------------------------
// Arguments of the plain member. MirrorH writes visible pixel k of a row at
// column (visible pixels - 1 - k); FlipV writes the first row at the bottom.

void BltRleCopyMirrorH16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                         int leftSkip);
void BltRleCopyFlipV16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip);
void BltRleSourceFilterMirrorH16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                                 int dstPitch, int leftSkip, uint16_t mask);
void BltRleSourceFilterFlipV16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                               int dstPitch, int leftSkip, uint16_t mask);
void BltRleGrayMirrorH565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                          int leftSkip);
void BltRleGrayMirrorH555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                          int leftSkip);
void BltRleGrayFlipV565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip);
void BltRleGrayFlipV555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip);
void BltRleAlphaMirrorH565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                           int rows, int dstPitch, int alphaPitch, int leftSkip);
void BltRleAlphaMirrorH555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                           int rows, int dstPitch, int alphaPitch, int leftSkip);
void BltRleAlphaFlipV565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                         int rows, int dstPitch, int alphaPitch, int leftSkip);
void BltRleAlphaFlipV555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                         int rows, int dstPitch, int alphaPitch, int leftSkip);
void BltRleAlphaCompressedMirrorH565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                     const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                                     int leftSkip);
void BltRleAlphaCompressedMirrorH555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                     const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                                     int leftSkip);
void BltRleAlphaCompressedFlipV565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                   const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                                   int leftSkip);
void BltRleAlphaCompressedFlipV555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                   const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                                   int leftSkip);

// ---- Grey-half and the turned half, grade and masked-half blends -------------
// Pixels in pairs from the first painted pixel of each run; a pair equal to
// the destination under it is left alone.

void BltRleGrayHalf32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                         int leftSkip);
void BltRleGrayHalf565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip);
void BltRleGrayHalf555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip);
void BltRleGrayHalfMirrorH565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                              int dstPitch, int leftSkip);
void BltRleGrayHalfMirrorH555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                              int dstPitch, int leftSkip);
void BltRleGrayHalfFlipV565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                            int dstPitch, int leftSkip);
void BltRleGrayHalfFlipV555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                            int dstPitch, int leftSkip);
void BltRleHalfMirrorH565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                          int leftSkip);
void BltRleHalfMirrorH555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                          int leftSkip);
void BltRleHalfFlipV565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip);
void BltRleHalfFlipV555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip);
void BltRleTransGradeMirrorH565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                                int dstPitch, int leftSkip, int grade);
void BltRleTransGradeMirrorH555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                                int dstPitch, int leftSkip, int grade);
void BltRleTransGradeFlipV565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                              int dstPitch, int leftSkip, int grade);
void BltRleTransGradeFlipV555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                              int dstPitch, int leftSkip, int grade);
void BltRleSourceFilterHalfMirrorH16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                                     int dstPitch, int leftSkip, uint16_t mask);
void BltRleSourceFilterHalfFlipV16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                                   int dstPitch, int leftSkip, uint16_t mask);

// ---- Mixed alpha ---------------------------------------------------------------
// plane: the compressed byte plane (its row-offset table at its start);
// firstRow: the plane row of the first visible row.

// 1 and the byte in *out when (column, row) lies in a span of the plane, else 0.
int RleByteAt(int column, int row, const void* plane, int imageWidth, uint8_t* out);
void BltRleMixAlpha32Nop(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* plane, int firstRow,
                         int width, int rows, int dstPitch, int imageWidth, int leftSkip, const uint16_t* colorTable);
void BltRleMixAlpha565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* plane, int firstRow,
                       int width, int rows, int dstPitch, int imageWidth, int leftSkip, const uint16_t* colorTable);
void BltRleMixAlpha555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* plane, int firstRow,
                       int width, int rows, int dstPitch, int imageWidth, int leftSkip, const uint16_t* colorTable);

// ---- Rotated paint ---------------------------------------------------------------
// dst is the destination point under the sprite centre; the clip rectangle is
// relative to it, half-open. Width and height are the sprite's, in pixels.

void BltRleRotate16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int height, int dstPitch,
                    int left, int right, int top, int bottom, float angle, float spread);

// ---- Silhouettes (raw 16-bit sources; colours written unconverted) -------------

void BltSilhouette32Nop(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                        uint32_t key, uint32_t foreground);
void BltSilhouette16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                     uint32_t key, uint32_t foreground);
void BltTwoColor32Nop(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                      uint32_t key, uint32_t foreground, uint32_t background);
void BltTwoColor16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                   uint32_t key, uint32_t foreground, uint32_t background);
void BltSoftSilhouette32Nop(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch,
                            int bitsPerPixel, uint32_t key, uint32_t foreground);
void BltSoftSilhouette565(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                          uint32_t key, uint32_t foreground);
void BltSoftSilhouette555(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel,
                          uint32_t key, uint32_t foreground);

// ---- Level-map shading in place (0 black, 8 unchanged, 1..7 eighths, 9+ as 7) ---

void BltFlat555(void* dst, const uint8_t* levels, int dstPitch, int width, int rows, int mapPitch);
void BltFlat565(void* dst, const uint8_t* levels, int dstPitch, int width, int rows, int mapPitch);
void BltFlat3232_555(void* dst, const uint8_t* levels, int dstPitch);
void BltFlat3232_565(void* dst, const uint8_t* levels, int dstPitch);

// ---- Stretch paints ----------------------------------------------------------------
// Run-length members take widths in bytes of 16-bit data (also for the 32-bit
// destination); dstWidth/dstHeight describe the destination rectangle.

void BltStretchColorKey16(void* dst, const void* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight,
                          int dstPitch, int srcPitch, uint32_t key);
void BltStretch16(void* dst, const void* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight, int dstPitch,
                  int srcPitch);
void BltRleStretch16(void* dst, const void* runBase, const uint32_t* rowOffsets, int dstWidth, int dstHeight,
                     int srcWidth, int srcHeight, int dstPitch, int leftSkip);
void BltRleStretch565To32(void* dst, const void* runBase, const uint32_t* rowOffsets, int dstWidth, int dstHeight,
                          int srcWidth, int srcHeight, int dstPitch, int leftSkip);
void BltRleStretchAlpha565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                           int dstWidth, int dstHeight, int srcWidth, int srcHeight, int alphaPitch, int dstPitch,
                           int leftSkip);
void BltRleStretchAlpha555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                           int dstWidth, int dstHeight, int srcWidth, int srcHeight, int alphaPitch, int dstPitch,
                           int leftSkip);
void BltRleStretchAlphaCompressed565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                     const uint32_t* alphaRowOffsets, int dstWidth, int dstHeight, int srcWidth,
                                     int srcHeight, int imageWidth, int dstPitch, int leftSkip);
void BltRleStretchAlphaCompressed555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                     const uint32_t* alphaRowOffsets, int dstWidth, int dstHeight, int srcWidth,
                                     int srcHeight, int imageWidth, int dstPitch, int leftSkip);

// ---- Run-data conversion and pixel read ----------------------------------------

// Every opaque pixel of the run block rewritten in place.
void RleConvert565To555(void* runBase, const uint32_t* rowOffsets, int width, int rows, int leftSkip);
void RleConvert555To565(void* runBase, const uint32_t* rowOffsets, int width, int rows, int leftSkip);
// The pixel at the address for 8, 15, 16, 24 or 32 bits per pixel; 0 for any other depth.
int GetPixelByDepth(const void* pixel, int bitsPerPixel);
