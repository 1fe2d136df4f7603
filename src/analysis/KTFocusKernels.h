#pragma once

#include "KTImageProcessing.h"

#include <QString>

// The focus mask and the edge kernels it is built from, the most focused lattice cell, the
// exposure overlay kernel, and a debug writer for pixel buffers.
//
// Threading: as KTImageProcessing.h. gradient and findExposurePixelsInBuffer spread their rows
// over the global concurrent queue and return when all rows are done; each row writes only its
// own output row, so results do not depend on the thread count.

/// 3 by 3 sharpness weights, row by row (sum 0).
inline constexpr int16_t kernelSharpness[9] = {0, -2, 0, -2, 8, -2, 0, -2, 0};

/// Fills dst (width by height) with the focus mask of src, every pixel (0, m, 0, a): m is the
/// Sobel gradient of the grey image where the blurred sharpness of its high pass exceeds 5, else
/// 0; a is opacity * 255 (truncated, clamped to 0..255) where m is not 0, else 0. Returns the
/// sum of m. The blur (an 11 by 11 tent) and the level 5 are fixed: secondSize and threshold are
/// accepted for the callers' sake and not read. width and height are at least 1.
int64_t focusMask(const KTPixelRGBA *src, KTPixelRGBA *dst, int width, int height, float highPassSize,
                  float secondSize, float threshold, float opacity);

/// The cell of an n by n lattice (createRectLatticeFromImage) whose mask sum is largest, the
/// earlier in row order on a tie; n = width / 240, and 5 above a width of 1204. The rectangle
/// (0, 0, 0, 0) when there are no cells or every cell sums to 0; a cell of zero width or height
/// (an image shorter than n rows) counts as 0. maskOut, when given, receives the mask.
RDRect focusedRect(const KTPixelRGBA *src, KTPixelRGBA *maskOut, int width, int height, float highPassSize,
                   float secondSize, float threshold, float opacity);

/// Sobel gradient magnitude of a grey image: sqrtf(Gx^2 + Gy^2) * 0.22447184 (255 / 1136),
/// truncated. Only interior pixels have a 3 by 3 neighbourhood; the one-pixel border is 0, as is
/// all of an image narrower or shorter than 3. src and dst may be the same buffer.
void gradient(const uint8_t *src, uint8_t *dst, int width, int height);

/// dst = (src + 255 - tent blur of src) >> 1, the blur's sides both `size` truncated (made odd by
/// blurImage; a negative or NaN size counts as 0). Flat areas come out at 127. type must be
/// KTImageGray: "highPass(...) ERROR! not known imageType format or it isn't implemented".
/// src and dst may be the same buffer.
void highPass(const void *src, void *dst, KTImageType type, int width, int height, float size);

/// Convolves a grey image with odd-sided weights (row by row), divisor 1, edges extended, each
/// output saturated to 0..255. type must be KTImageGray: "processKernel(...) ERROR! unknown type
/// of KTImageType (or not implemented)"; an even or non-positive side or weights that could
/// overflow fail "processKernel8(...) --> vImageConvolve_Planar8(...) ERROR! error %zd".
/// src and dst may be the same buffer.
void processKernel8(const void *src, void *dst, int width, int height, KTImageType type,
                    const int16_t *kernel, int kernelWidth, int kernelHeight);

/// The exposure overlay: a pixel whose red, green and blue are all at least 254 becomes opaque
/// red (255, 0, 0, 255); else one whose red, green and blue are all below 2 becomes opaque blue
/// (0, 0, 255, 255); every other pixel is (0, 0, 0, 0). Both buffers hold 4-byte pixels,
/// whatever bytesPerPixel says.
void findExposurePixelsInBuffer(const KTPixelRGBA *buffer, KTPixelRGBA *outputBuffer, int height, int width,
                                int bytesPerPixel);

/// Writes the pixels (not copied) as a TIFF file at `path` + ".tiff", replacing the file
/// atomically: one component is grey, three are RGB, four are RGB with the fourth byte skipped;
/// 1 or 2 bytes a component. Returns the written path. For inspection only: a failed write or an
/// unsupported layout is not reported.
QString RD_SaveTiffFromDataPath(const void *data, const QString &path, size_t bytesPerComponent,
                                size_t componentsPerPixel, size_t width, size_t height);
