#pragma once

#include "KTImageProcessing.h"

#include <cstdint>

// Contrast-limited adaptive histogram equalisation of the brightness (the HSV value) of an RGBA
// image: histograms per region, clipped, mapped, and interpolated between region centres; hue and
// saturation are kept.
//
// Unlike the other kernels it logs its refusals and returns without writing the destination.
//
// Rounding choices, fixed so that signatures made from it stay byte-identical across runs:
// - the clip limit is float(n) * clipFactor / float(bins), truncated (0 becomes 1);
// - the map of a bin is min(255, float(running sum) * (255.0f / float(n))), truncated;
// - an interpolated value is float(integer weighted sum) * (1.0f / float(w * h)), truncated;
// - hue: the float channel differences are divided in double, then * 60 and + 360 in double;
//   saturation and value are float (value = byte * 0.003921569f); p = V(1 - S) is float, q and t
//   are double; each output channel is its value * 255, truncated.
//
// Threading: as KTImageProcessing.h. The value plane and the colour rebuild spread their rows over
// the global concurrent queue; rows are independent, so the result does not depend on the thread
// count.

/// Equalises src into dst (both width by height; they may be the same buffer) with regions by
/// regions tiles, `bins` bins (only 256 is supported) and clip factor `clipFactor` (positive).
/// A region count above half the width or height is reduced, with a log line; a count below 2
/// after that, or an unsupported bin count or clip factor, is logged and dst is left unwritten.
/// Every written pixel has a fourth byte of 255.
void RDFX_HistEq_UCHAR(KTPixelRGBA *dst, const KTPixelRGBA *src, unsigned int width, int height, int regions,
                       unsigned int bins, float clipFactor);

/// Clips a histogram of `bins` bins to `limit` and hands the excess back out, earlier bins first;
/// counts that no bin below the limit can take are dropped.
void clipHistogram(uint64_t *histogram, unsigned int bins, uint64_t limit);
