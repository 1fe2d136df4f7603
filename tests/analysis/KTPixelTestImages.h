#pragma once

// Fixture images for the pixel kernel tests, made from a fixed generator so that every run sees
// the same bytes.

#include "KTImageProcessing.h"

#include <random>
#include <string>
#include <vector>

inline std::vector<KTPixelRGBA> randomRGBA(size_t count, uint32_t seed)
{
    std::mt19937 generator(seed);
    std::vector<KTPixelRGBA> pixels(count);
    for (auto &p : pixels) {
        const uint32_t bits = generator();
        p = KTPixelRGBA{uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)};
    }
    return pixels;
}

inline std::vector<uint8_t> randomGray(size_t count, uint32_t seed)
{
    std::mt19937 generator(seed);
    std::vector<uint8_t> values(count);
    for (auto &v : values)
        v = uint8_t(generator());
    return values;
}

/// A width by height image, black left of `edgeColumn` and white from it on.
inline std::vector<KTPixelRGBA> stepEdgeRGBA(int width, int height, int edgeColumn)
{
    std::vector<KTPixelRGBA> pixels(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t v = x < edgeColumn ? 0 : 255;
            pixels[size_t(y) * size_t(width) + size_t(x)] = KTPixelRGBA{v, v, v, 255};
        }
    }
    return pixels;
}

/// `text` as a regular expression that matches it literally, for death-test messages.
inline std::string literally(const std::string &text)
{
    std::string pattern;
    for (const char c : text) {
        if (std::string_view(".[]()*+?{}|^$\\").find(c) != std::string_view::npos)
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

/// Frees a "create" result when the test ends, pass or fail.
template <typename T> struct KTFreeOnExit
{
    T *pointer;
    ~KTFreeOnExit() { std::free(pointer); }
    T *get() const { return pointer; }
};
