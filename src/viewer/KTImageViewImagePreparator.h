#pragma once

#include <QImage>

#include <functional>
#include <memory>

/// Redraws a decoded full-size image into a bitmap that paints without conversion (32-bit RGB,
/// or premultiplied ARGB when the image has alpha) before it reaches a viewer's layer, off the
/// main thread. An image already in such a bitmap (one a preparator produced, for example one
/// taken from the full-size cache) is handed on at once.
///
/// One preparation runs at a time per preparator; a request made meanwhile waits, and a newer
/// request replaces a waiting one. A finished preparation whose image is no longer the
/// preparator's image is dropped.
///
/// Threading: use on the main thread. Preparations of all preparators run one at a time on one
/// shared serial queue; callbacks run on the main thread, never after the preparator is gone.
class KTImageViewImagePreparator
{
public:
    using Callback = std::function<void(const QImage &prepared)>;

    KTImageViewImagePreparator();
    ~KTImageViewImagePreparator();
    KTImageViewImagePreparator(const KTImageViewImagePreparator &) = delete;
    KTImageViewImagePreparator &operator=(const KTImageViewImagePreparator &) = delete;

    /// The image to prepare.
    QImage image() const { return m_image; }
    void setImage(const QImage &image) { m_image = image; }
    bool isProcessing() const { return m_processing; }

    /// Prepares image() and passes the result to `callback`: at once for a prepared image, else
    /// from the main queue after the background step. Nothing happens (the callback is never
    /// called) without an image. While a preparation runs the callback waits, replacing any
    /// earlier waiting one, and is served with whatever image() is when the running one ends.
    void prapareImage(Callback callback);

    /// True for an image in a bitmap format that paints without conversion.
    static bool isPrepared(const QImage &image);
    /// The prepared bitmap of `image` (the same image when it is prepared already).
    static QImage preparedImage(const QImage &image);

private:
    void finishPreparation(const QImage &source, const QImage &prepared);

    QImage m_image;
    bool m_processing = false;
    Callback m_queuedCallback;
    Callback m_runningCallback;
    std::shared_ptr<KTImageViewImagePreparator *> m_self;
};
