#pragma once

#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Pixel buffers and the basic kernels over them.
//
// A buffer is one contiguous block, rows top to bottom, pixels left to right, no row padding.
// Functions whose names begin with "create" return a block from the C allocator that the caller
// releases with std::free; no kernel frees a buffer it is given. A kernel taking a source and a
// destination of the same size accepts the same buffer for both.
//
// Bad arguments are programming errors: the kernel fails KT_KERNEL_ASSERT with its fixed
// description and does not go on, in every build.
//
// Threading: no kernel keeps state, so any number of threads may run them at once on different
// buffers. Two calls must not write the same buffer at the same time. Results are exact and the
// same on every run whatever the thread count: the arithmetic is integer where it can be, and the
// single-precision steps are the fixed ones documented on each function.

/// One pixel: red, green, blue and a fourth byte, in memory order. The buffers the system draws
/// skip the fourth byte, so it carries no meaning; each kernel says what it does with it.
struct KTPixelRGBA
{
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t alpha;
};
static_assert(sizeof(KTPixelRGBA) == 4);

/// One grey value.
using KTPixelGray = uint8_t;

/// Layout code of a buffer. The codes are stored in signature files, hence fixed and sparse.
enum KTImageType : uint32_t
{
    KTImageRGBA = 4,  // KTPixelRGBA, 4 bytes a pixel
    KTImageRGB = 8,   // red, green, blue packed, 3 bytes a pixel
    KTImageGray = 32, // KTPixelGray, 1 byte a pixel
};

/// An integer rectangle in pixels: x is the left column, y the top row.
struct RDRect
{
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;

    friend bool operator==(const RDRect &, const RDRect &) = default;
};

/// The grey level of a pixel: (red + green + blue) times the single-precision constant 0.333,
/// truncated; the fourth byte is ignored. White gives 254, not 255.
inline KTPixelGray grayLevel(const KTPixelRGBA &pixel)
{
    return KTPixelGray(float(pixel.red + pixel.green + pixel.blue) * 0.333f);
}

/// Filter choice of resampleImage between different sizes.
enum class KTResampling
{
    Fast,        // separable tent (bilinear, widened to an area filter when shrinking)
    HighQuality, // separable Lanczos-3, likewise widened when shrinking
};

/// The integral image of a grey buffer: element (x, y) is the sum of the source over columns
/// 0..x and rows 0..y, as unsigned 64-bit. width and height are at least 1.
uint64_t *createIntegralImage_uint8(const uint8_t *src, size_t width, size_t height);

/// Writes the integral image of a 32-bit buffer into dst (width times height elements).
void fillIntegralImage_uint32(const uint32_t *src, uint64_t *dst, size_t width, size_t height);

/// The sum of the source over `r`, from its integral image. The rectangle must be non-empty and
/// inside the image: "getSumFromIntegralImage(...) ERROR! incorrect coordinate(s)" otherwise.
uint64_t getSumFromIntegralImage(const uint64_t *integral, size_t width, size_t height, RDRect r);

RDRect createRect(int x, int y, int width, int height);

/// columns times rows rectangles, row by row, tiling a width by height image without gaps or
/// overlaps. Row and column edges are multiples of height / rows and width / columns accumulated
/// in single precision and rounded half away from zero, so 4 columns over 10 pixels are 3, 2, 3, 2
/// wide. An image smaller than the count gives cells of width or height 0. null when columns or
/// rows is not positive.
RDRect *createRectLatticeFromImage(int width, int height, int columns, int rows);

/// Copies src into dst when the sizes are equal (nothing when they are the same buffer);
/// otherwise rescales with `resampling` (edges clamped), and src and dst must then be distinct.
/// channelNum is 1 or 4: "resampleImage(...) ERROR! channelNum #%lu isn't supported" otherwise;
/// a scaler error fails "resampleImage(...) ERROR! vImageScale(...) return %lu".
void resampleImage(const void *src, size_t srcWidth, size_t srcHeight, void *dst, size_t dstWidth,
                   size_t dstHeight, size_t channelNum, KTResampling resampling = KTResampling::Fast);

/// Converts an RGBA buffer to `type` at the destination size: KTImageRGBA resamples, KTImageGray
/// takes the grey level (grayLevel) and then resamples, KTImageRGB packs red, green and blue.
/// Any other type fails "convertImageTypeSize(...) ERROR! unknown type of KTImageType".
void convertKTPixelRGBAto(const KTPixelRGBA *src, size_t srcWidth, size_t srcHeight, void *dst,
                          size_t dstWidth, size_t dstHeight, KTImageType type);

/// Moves the colours of an RGBA buffer toward grey: saturation 1 keeps them, 0 gives grey with
/// weights 79, 156 and 21 (of 256). The colour matrix (0.3086, 0.6094, 0.0820 luminance weights)
/// is taken times 256, rounded half away from zero, applied in integers and divided by 256,
/// truncating toward zero, then saturated to 0..255; the fourth byte passes through.
/// channelNum must be 4: "desaturateImage(...) ERROR! channelNum #%lu isn't supported".
void desaturateImage(const void *src, void *dst, size_t width, size_t height, size_t channelNum,
                     float saturation);

/// Tent blur with edge extension (pixels beyond the border repeat the nearest border pixel).
/// Even kernel sides are raised by one (0 becomes 1, 10 becomes 11). The tent weights are exact
/// integers; each output is the weighted sum divided by the weight total, rounded half up, so a
/// constant image comes out unchanged. channelNum 1 or 4 (all four bytes blurred):
/// "blurImage(...) ERROR! channelNum #%lu isn't supported" otherwise; an empty image or a side
/// above 1023 fails "blurImage(...) ERROR! vImageTentConvolve(...) return %lu".
void blurImage(const void *src, void *dst, size_t width, size_t height, uint32_t kernelWidth,
               uint32_t kernelHeight, size_t channelNum);

/// A new buffer of roi.width times roi.height pixels copied out of a width by height image of
/// `type` (KTImageGray or KTImageRGBA), or null for any other type, after failing
/// "createImageROI(...) ERROR! unknown type of KTImageType (or not implemented)". A rectangle
/// not inside the image fails "createImageROI(...) ERROR! roi rect isn't inside the image".
void *createImageROI(const void *src, int width, int height, RDRect roi, KTImageType type);

/// A new RGBA buffer of the image's pixel size holding the image drawn over black with the
/// fourth byte 255 (opaque), or null for a null image. Only 8 bits per component are supported:
/// "createKTPixelRGBAFromNSImage(...) ERROR! %d bits per component isn't supported" otherwise;
/// "createKTPixelRGBAFromNSImage(...) can't create bitmap buffer" when the buffer can't be had.
KTPixelRGBA *createKTPixelRGBAFromNSImage(const QImage &image, int bitsPerComponent);

/// Frees every non-null pointer held as a value of a Qt associative container of pointers (for
/// instance QHash<QString, void *>). The container is not changed and must not be used for the
/// pointers afterwards.
template <typename Dictionary> void freeNSValuesAsPointer(const Dictionary &dictionary)
{
    for (auto *pointer : dictionary)
        std::free(pointer);
}
