#pragma once

#include <QRectF>

#include <cstdint>

/// One autofocus rectangle of a photo: x, y, width and height as fractions of the upright image
/// (0 to 1), with y measured upwards from the lower edge, and the point's focus state.
struct KTFocusedRect
{
    enum FocusState : uint64_t
    {
        Selected = 0, // marked "f"
        Other = 1,    // any other mark
        InFocus = 2,  // marked "F"
    };

    QRectF rect;
    uint64_t focusState = Other;

    friend bool operator==(const KTFocusedRect &, const KTFocusedRect &) = default;
};
