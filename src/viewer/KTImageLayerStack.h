#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>

#include <array>
#include <functional>
#include <memory>

class KTScaledImageCache;
class QPainter;

/// The pictures a viewer draws, back to front, and how they are painted: each layer is a picture
/// stretched over the image's frame (the missing-file message over the whole view), with a
/// hidden flag and an opacity. Under an opaque picture nothing is painted; a picture drawn much
/// smaller than it is is painted from a copy shrunk in the background; a one-pixel picture is a
/// fill. The shadow is a soft band around the image's frame, and its grey shows only until a
/// picture covers the frame.
///
/// Threading: main thread only. The shrunk copies are made on the global concurrent queue;
/// `changed` runs on the main thread when one is ready, never after the stack is gone.
class KTImageLayerStack
{
public:
    enum class Layer
    {
        Shadow,
        LowResPreview,
        Preview,
        Image,
        InstantZoom,
        FocusPointLattice,
        TrashStatus,
        ExposurePixels,
        FocusMask,
        Overlay,
    };
    static constexpr int kLayerCount = int(Layer::Overlay) + 1;

    struct LayerState
    {
        QImage contents;
        bool hidden = false;
        double opacity = 1.0;
    };

    /// The grey of the shadow's body and of the rejected veil: 0.5 at alpha 0.5.
    static QColor veilColor() { return QColor::fromRgbF(0.5, 0.5, 0.5, 0.5); }
    /// The missing-file message starts at this size and shrinks to fit, down to the smallest.
    static constexpr double kMissingFileFontSize = 40.0;
    static constexpr double kMissingFileSmallestFontSize = 9.0;
    /// The point size the missing-file message is drawn in for a view `width` points wide.
    static double missingFileFontSize(const QString &text, double width, double height);

    /// `changed` is called whenever something painted changed (the owner repaints).
    explicit KTImageLayerStack(std::function<void()> changed);
    ~KTImageLayerStack();
    KTImageLayerStack(const KTImageLayerStack &) = delete;
    KTImageLayerStack &operator=(const KTImageLayerStack &) = delete;

    const LayerState &layer(Layer layer) const { return m_layers[int(layer)]; }
    void setContents(Layer layer, const QImage &contents);
    void setHidden(Layer layer, bool hidden);
    void setOpacity(Layer layer, double opacity);
    /// Whether the layer is painted from its shrunk copy at a frame of `deviceSize` pixels.
    bool isPaintingScaledCopy(Layer layer, const QSize &deviceSize) const;

    /// Paints every layer into a view of `viewSize` points: the image layers over `frame` (widget
    /// coordinates, y down), the missing-file message over the view. `animating` withholds new
    /// shrunk copies (the frame changes every step).
    void paint(QPainter &painter, const QRectF &frame, const QSizeF &viewSize, qreal devicePixelRatio,
               bool animating) const;

private:
    void drawShadow(QPainter &painter, const QRectF &frame, const QSizeF &viewSize, qreal ratio) const;
    void drawMissingFileMessage(QPainter &painter, const QSizeF &viewSize) const;

    std::function<void()> m_changed;
    std::array<LayerState, kLayerCount> m_layers;
    std::array<std::unique_ptr<KTScaledImageCache>, kLayerCount> m_scaledLayers;
};
