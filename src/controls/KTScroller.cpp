#include "KTScroller.h"

#include "KTNamedImages.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

/// The knob never gets shorter than this along the bar.
constexpr double kMinimumKnobLength = 20;
/// Space left free at both ends of the track.
constexpr double kEndInset = 2;

const QString kBack = QStringLiteral("scroller_back");
const QString kTop = QStringLiteral("scroller_top");
const QString kCenter = QStringLiteral("scroller_center");
const QString kBottom = QStringLiteral("scroller_bottom");

double s_backWidth = std::numeric_limits<float>::max();
double s_thumbWidth = std::numeric_limits<float>::max();

/// A vertical three-part picture: caps at their natural height, the centre stretched between.
void drawVertical(QPainter &painter, const QRectF &rect, qreal ratio)
{
    const KTNamedImages &images = KTNamedImages::shared();
    const double top = std::min(images.naturalSize(kTop).height(), rect.height() / 2);
    const double bottom = std::min(images.naturalSize(kBottom).height(), rect.height() / 2);
    const auto draw = [&](const QString &name, const QRectF &part) {
        if (part.height() <= 0 || part.width() <= 0)
            return;
        const QImage image = images.image(name, part.size(), ratio);
        if (!image.isNull())
            painter.drawImage(part, image);
    };
    draw(kTop, QRectF(rect.left(), rect.top(), rect.width(), top));
    draw(kCenter, QRectF(rect.left(), rect.top() + top, rect.width(), rect.height() - top - bottom));
    draw(kBottom, QRectF(rect.left(), rect.bottom() - bottom, rect.width(), bottom));
}

} // namespace

KTScroller::KTScroller(Qt::Orientation orientation, QWidget *parent) : QScrollBar(orientation, parent)
{
    connect(this, &QAbstractSlider::valueChanged, this, [this] {
        if (m_pagePoint < 0)
            return;
        const Track t = track();
        if (m_pagePoint >= t.start && m_pagePoint <= t.start + t.knobLength)
            setRepeatAction(SliderNoAction);
    });
}

void KTScroller::getBackWidth(double *backWidth, double *thumbWidth)
{
    if (s_backWidth == std::numeric_limits<float>::max()) {
        s_backWidth = KTNamedImages::shared().naturalSize(kBack).width();
        s_thumbWidth = KTNamedImages::shared().naturalSize(kCenter).width();
    }
    if (backWidth)
        *backWidth = s_backWidth;
    if (thumbWidth)
        *thumbWidth = s_thumbWidth;
}

double KTScroller::scrollerWidth()
{
    double back = 0;
    getBackWidth(&back, nullptr);
    return back;
}

bool KTScroller::isVertical() const
{
    for (QWidget *ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto *area = qobject_cast<QAbstractScrollArea *>(ancestor))
            return area->verticalScrollBar() == this;
        if (ancestor->isWindow())
            break;
    }
    return orientation() == Qt::Vertical;
}

KTScroller::Track KTScroller::track() const
{
    const double length = (isVertical() ? height() : width()) - 2 * kEndInset;
    const double range = double(maximum()) - double(minimum());
    Track result;
    if (length <= 0 || range <= 0)
        return result;
    const double page = std::max(1, pageStep());
    result.knobLength =
        std::clamp(length * page / (range + page), std::min(kMinimumKnobLength, length), length);
    result.travel = length - result.knobLength;
    result.start = kEndInset + result.travel * (double(sliderPosition()) - minimum()) / range;
    return result;
}

QRectF KTScroller::knobRect() const
{
    const Track t = track();
    if (t.knobLength <= 0)
        return {};
    double back = 0;
    double thumb = 0;
    getBackWidth(&back, &thumb);
    const double across = (back - thumb) * 0.5;
    return isVertical() ? QRectF(across, t.start, thumb, t.knobLength)
                        : QRectF(t.start, across, t.knobLength, thumb);
}

QImage KTScroller::rotateImageToHorizontalOrientation(const QImage &image)
{
    if (image.isNull())
        return {};
    QImage rotated = image.transformed(QTransform().rotate(-90));
    rotated.setDevicePixelRatio(image.devicePixelRatio());
    return rotated;
}

QSize KTScroller::sizeHint() const
{
    const int width = int(std::ceil(scrollerWidth()));
    return isVertical() ? QSize(width, 100) : QSize(100, width);
}

QSize KTScroller::minimumSizeHint() const
{
    const int width = int(std::ceil(scrollerWidth()));
    const int length = int(kMinimumKnobLength + 2 * kEndInset);
    return isVertical() ? QSize(width, length) : QSize(length, width);
}

QImage KTScroller::horizontalPart(const QString &name, qreal ratio)
{
    // The rotated caps are made once per scroller (again only if the pixel ratio changes).
    if (ratio != m_rotatedRatio) {
        const KTNamedImages &images = KTNamedImages::shared();
        m_topH = rotateImageToHorizontalOrientation(images.image(kTop, ratio));
        m_centerH = rotateImageToHorizontalOrientation(images.image(kCenter, ratio));
        m_bottomH = rotateImageToHorizontalOrientation(images.image(kBottom, ratio));
        m_rotatedRatio = ratio;
    }
    return name == kTop ? m_topH : name == kCenter ? m_centerH : m_bottomH;
}

void KTScroller::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const QImage back = KTNamedImages::shared().image(kBack, QSizeF(size()), ratio);
    if (!back.isNull())
        painter.drawImage(QRectF(rect()), back);
    // Whole pixels along the bar, so the caps meet the centre without a seam.
    QRectF knob = knobRect();
    if (knob.isEmpty())
        return;
    if (isVertical())
        knob = QRectF(knob.x(), std::round(knob.y()), knob.width(), std::round(knob.height()));
    else
        knob = QRectF(std::round(knob.x()), knob.y(), std::round(knob.width()), knob.height());
    if (isVertical()) {
        drawVertical(painter, knob, ratio);
        return;
    }
    const QImage left = horizontalPart(kTop, ratio);
    const QImage center = horizontalPart(kCenter, ratio);
    const QImage right = horizontalPart(kBottom, ratio);
    const double leftWidth = std::min(left.deviceIndependentSize().width(), knob.width() / 2);
    const double rightWidth = std::min(right.deviceIndependentSize().width(), knob.width() / 2);
    if (!left.isNull())
        painter.drawImage(QRectF(knob.left(), knob.top(), leftWidth, knob.height()), left);
    if (!center.isNull())
        painter.drawImage(
            QRectF(knob.left() + leftWidth, knob.top(), knob.width() - leftWidth - rightWidth, knob.height()),
            center);
    if (!right.isNull())
        painter.drawImage(QRectF(knob.right() - rightWidth, knob.top(), rightWidth, knob.height()), right);
}

double KTScroller::along(const QPointF &point) const
{
    return isVertical() ? point.y() : point.x();
}

void KTScroller::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QScrollBar::mousePressEvent(event);
        return;
    }
    event->accept();
    const Track t = track();
    if (t.knobLength <= 0)
        return;
    const double at = along(event->position());
    if (at >= t.start && at <= t.start + t.knobLength) {
        m_dragOffset = at - t.start;
        setSliderDown(true);
        return;
    }
    const SliderAction action = at < t.start ? SliderPageStepSub : SliderPageStepAdd;
    m_pagePoint = at;
    triggerAction(action);
    setRepeatAction(action);
}

void KTScroller::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragOffset < 0) {
        event->accept();
        return;
    }
    event->accept();
    const Track t = track();
    if (t.travel <= 0)
        return;
    const double knobStart = along(event->position()) - m_dragOffset - kEndInset;
    const double range = double(maximum()) - double(minimum());
    setSliderPosition(int(std::lround(minimum() + std::clamp(knobStart / t.travel, 0.0, 1.0) * range)));
}

void KTScroller::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QScrollBar::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    setRepeatAction(SliderNoAction);
    m_pagePoint = -1;
    if (m_dragOffset >= 0) {
        m_dragOffset = -1;
        setSliderDown(false);
    }
}
