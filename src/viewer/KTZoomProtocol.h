#pragma once

#include <QString>

#include <cmath>
#include <optional>

/// Whether a zoom or geometry change is animated (0.2 s) or applied at once.
enum class KTAnimated
{
    No,
    Yes,
};

/// Posted with the viewer as object, without user info, whenever a viewer reports a new zoom
/// percent or its fit mode changes. The review modes observe it from any object to refresh their
/// zoom controls.
inline const QString kZoomDidChangeNotification = QStringLiteral("kZoomDidChangeNotification");

/// The zoom commands the review modes send to the view they zoom (their "view for zooming"): the
/// single-image viewer (KTImageView) in the "Image" sub-mode and the comparison view
/// (KTImageCompareView) in "Compare". The comparison view forwards each command to its selected
/// side; under zoom lock the other side follows by itself.
///
/// Scales are given as zoom factors of the screen: 1.0 shows one image pixel per device pixel
/// (100 %), whatever the device pixel ratio.
///
/// Every command changes the scale about the centre of the view and reports the result through
/// scalePercent() and kZoomDidChangeNotification. Step commands (zoomIn, zoomOut) need the
/// shown file to exist; fitToScreen needs a shown record; actualSize and scale() act always.
///
/// Threading: main thread only; every command returns when the model geometry is final (an
/// animation only shows the way there).
class KTZoomProtocol
{
public:
    virtual ~KTZoomProtocol() = default;

    /// True while the view fits the image to its size (and refits it when resized).
    virtual bool isFitToScreen() const = 0;
    /// fitToScreenAnimated(KTAnimated::Yes).
    virtual void fitToScreen() = 0;
    /// Scales the image to fit the view (18 points of margin on each side) and centres it; turns
    /// fit mode on. Nothing without a shown record.
    virtual void fitToScreenAnimated(KTAnimated animated) = 0;
    /// 100 % about the centre, animated; turns fit mode off.
    virtual void actualSize() = 0;
    /// One step of the square root of 2 in, at most 3200 %; not animated; turns fit mode off.
    virtual void zoomIn() = 0;
    /// One step out, landing at 90 % of the fit scale at the smallest; not animated; turns fit
    /// mode off.
    virtual void zoomOut() = 0;
    /// Zooms to `factor` (1.0 = 100 %, at most 32.0) about the centre; turns fit mode off.
    virtual void scale(double factor, KTAnimated animated) = 0;
    /// The zoom last reported, in percent (100.0 = one image pixel per device pixel); nothing
    /// before the first report.
    virtual std::optional<double> scalePercent() const = 0;

    /// The zoom as the window shows it, in whole percent: the reported zoom rounded to the
    /// nearest whole number (a fit of 133.6 % reads 134 % everywhere); nothing before the first
    /// report.
    std::optional<int> zoomPercentFigure() const { return zoomPercentFigure(scalePercent()); }
    static std::optional<int> zoomPercentFigure(std::optional<double> percent)
    {
        if (!percent)
            return std::nullopt;
        return int(std::lround(*percent));
    }
};
