#pragma once

#include "KTBurstFixture.h"
#include "KTImageSignature.h"
#include "KTSearchSettings.h"
#include "KTSignatureMaker.h"

#include <cstdint>
#include <memory>
#include <vector>

// Signatures built by hand for the comparison and finder tests.

inline KTSearchSettings plainSettings(int side, double matching, double minimum = 0.0)
{
    KTSearchSettings settings;
    settings.imageSize = side;
    settings.overalMatchingLevel = matching;
    settings.minimumMatchingLevel = minimum;
    return settings;
}

inline std::unique_ptr<KTImageSignature> uniformSignature(int side, uint8_t value, double shotTime = -1.0,
                                                          double exposureTime = -1.0)
{
    auto signature = KTImageSignature::create();
    signature->imageType = KTImageSignature::kImageTypeRGBA;
    signature->size = uint32_t(side);
    for (int p = 0; p < side * side; ++p) {
        signature->pixels[4 * p] = signature->pixels[4 * p + 1] = signature->pixels[4 * p + 2] = value;
        signature->pixels[4 * p + 3] = 255;
    }
    signature->shotTime = shotTime;
    signature->exposureTime = exposureTime;
    return signature;
}

// Adds `total` to the red channel's difference, spread over the pixels from the first on, so the
// pair's sum of absolute differences is exactly `total`.
inline void addDifference(KTImageSignature &signature, uint64_t total)
{
    for (uint32_t p = 0; total > 0 && p < signature.size * signature.size; ++p) {
        for (int c = 0; c < 3 && total > 0; ++c) {
            const uint8_t room = uint8_t(255 - signature.pixels[4 * p + c]);
            const uint8_t step = uint8_t(std::min<uint64_t>(room, total));
            signature.pixels[4 * p + c] = uint8_t(signature.pixels[4 * p + c] + step);
            total -= step;
        }
    }
}

// The fixture's photos as signatures, times from the fixture.
inline std::vector<std::unique_ptr<KTImageSignature>>
fixtureSignatures(const std::vector<KTBurstPhoto> &photos, const KTSearchSettings &settings)
{
    std::vector<std::unique_ptr<KTImageSignature>> signatures;
    for (const KTBurstPhoto &photo : photos) {
        auto signature = KTImageSignature::create();
        CreateHashFromCGImageRef(photo.image, *signature, settings);
        signature->shotTime = double(photo.shotTime.toSecsSinceEpoch());
        signature->exposureTime = photo.exposureTime;
        signatures.push_back(std::move(signature));
    }
    return signatures;
}
