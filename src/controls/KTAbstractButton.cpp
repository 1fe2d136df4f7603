#include "KTAbstractButton.h"

#include "KTColor.h"
#include "KTFont.h"
#include "KTNamedImages.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QPointF s_defaultTextOffset(0, 1);
QString s_defaultFontName;
double s_defaultFontSize = 13;

constexpr double kPadding = 8;
constexpr double kGap = 4;
constexpr double kDefaultHeight = 24;

} // namespace

KTAbstractButton::KTAbstractButton(QWidget *parent) : KTAbstractButton(QString(), parent) {}

KTAbstractButton::KTAbstractButton(const QString &title, QWidget *parent)
    : KTControl(parent), m_title(title), m_fontColor(KTPalette::kText), m_textOffset(s_defaultTextOffset)
{
    setFont(defaultFont());
    setNormalStateThreeImageName(QStringLiteral("btn"));
    setPushedStateImageWithImageNames(QStringLiteral("btn_left_on"), QStringLiteral("btn_center_on"),
                                      QStringLiteral("btn_right_on"));
}

void KTAbstractButton::setDefaultTextOffset(const QPointF &offset)
{
    s_defaultTextOffset = offset;
}

QPointF KTAbstractButton::defaultTextOffset()
{
    return s_defaultTextOffset;
}

void KTAbstractButton::setDefaultFontName(const QString &name)
{
    s_defaultFontName = name;
}

void KTAbstractButton::setDefaultFontSize(double size)
{
    s_defaultFontSize = size;
}

QFont KTAbstractButton::defaultFont()
{
    return ktFont(s_defaultFontName.isEmpty() ? QApplication::font().family() : s_defaultFontName,
                  s_defaultFontSize);
}

void KTAbstractButton::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    updateGeometry();
    update();
}

void KTAbstractButton::setPushed(bool pushed)
{
    if (pushed == m_pushed)
        return;
    m_pushed = pushed;
    update();
    emit pushedChanged(pushed);
}

void KTAbstractButton::setNormalStateImageWithImageNames(const QString &left, const QString &center,
                                                         const QString &right)
{
    m_normalImages = {left, center, right};
    updateGeometry();
    update();
}

void KTAbstractButton::setPushedStateImageWithImageNames(const QString &left, const QString &center,
                                                         const QString &right)
{
    m_pushedImages = {left, center, right};
    update();
}

void KTAbstractButton::setNormalStateThreeImageName(const QString &base)
{
    const KTThreePartNames names = KTThreePartNames::fromBase(base);
    setNormalStateImageWithImageNames(names.left, names.center, names.right);
}

void KTAbstractButton::setPushedStateThreeImageName(const QString &base)
{
    const KTThreePartNames names = KTThreePartNames::fromBase(base);
    setPushedStateImageWithImageNames(names.left, names.center, names.right);
}

void KTAbstractButton::setFontColor(const QColor &color)
{
    m_fontColor = color;
    update();
}

void KTAbstractButton::setSelectedFontColor(const QColor &color)
{
    m_selectedFontColor = color;
    update();
}

void KTAbstractButton::setTextOffset(const QPointF &offset)
{
    m_textOffset = offset;
    update();
}

QImage KTAbstractButton::namedPictogram(const QString &name) const
{
    return KTNamedImages::shared().image(name, std::max<qreal>(devicePixelRatioF(), 1.0));
}

void KTAbstractButton::setPictogramName(const QString &name)
{
    m_pictogramName = name;
    setPictogram(namedPictogram(name));
}

void KTAbstractButton::setPushedPictogramName(const QString &name)
{
    m_pushedPictogramName = name;
    setPushedPictogram(namedPictogram(name));
}

void KTAbstractButton::setPictogram(const QImage &image)
{
    m_pictogram = image;
    updateGeometry();
    update();
}

void KTAbstractButton::setPushedPictogram(const QImage &image)
{
    m_pushedPictogram = image;
    updateGeometry();
    update();
}

void KTAbstractButton::setPictogramOffset(const QPointF &offset)
{
    m_pictogramOffset = offset;
    update();
}

void KTAbstractButton::setPictogramPosition(int position)
{
    m_pictogramPosition = position;
    updateGeometry();
    update();
}

QSizeF KTAbstractButton::pictogramSize(const QImage &image) const
{
    return image.isNull() ? QSizeF() : image.deviceIndependentSize();
}

QSize KTAbstractButton::sizeHint() const
{
    const KTNamedImages &images = KTNamedImages::shared();
    // Each side keeps the padding or its cap, whichever is wider, plus a little air.
    const double sides = std::max(kPadding, images.naturalSize(m_normalImages.left).width()) +
                         std::max(kPadding, images.naturalSize(m_normalImages.right).width()) + kGap;
    double height = images.naturalSize(m_normalImages.center).height();
    if (!(height > 0))
        height = kDefaultHeight;
    const QSizeF text =
        m_title.isEmpty() ? QSizeF() : QFontMetricsF(font()).size(Qt::TextSingleLine, m_title);
    QSizeF picture = pictogramSize(m_pictogram).expandedTo(pictogramSize(m_pushedPictogram));
    double content = 0;
    switch (m_pictogramPosition) {
    case PictogramLeft:
    case PictogramRight:
        content = picture.width() + text.width() + (picture.isEmpty() || text.isEmpty() ? 0 : kGap);
        break;
    default:
        content = std::max(picture.width(), text.width());
        if (m_pictogramPosition == PictogramAbove || m_pictogramPosition == PictogramBelow)
            height = std::max(height, picture.height() + text.height() + kGap + 4);
        break;
    }
    const double width = std::max(height, std::ceil(content + sides));
    return QSize(int(width), int(std::ceil(height)));
}

QSize KTAbstractButton::minimumSizeHint() const
{
    return sizeHint();
}

void KTAbstractButton::activate()
{
    if (m_behavior == Toggle)
        setPushed(!m_pushed);
}

void KTAbstractButton::mousePressEvent(QMouseEvent *event)
{
    KTControl::mousePressEvent(event);
    if (m_behavior == PopUp && isDown())
        setPushed(true);
}

void KTAbstractButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(paintOpacity());
    const qreal ratio = devicePixelRatioF();
    const QRectF bounds = rect();
    const bool pushedLook = showsPushed();

    const KTThreePartNames &background =
        pushedLook && !m_pushedImages.isEmpty() ? m_pushedImages : m_normalImages;
    if (isHovered() && !pushedLook && isEnabled() && isButtonEnabled()) {
        // Hover lightens the background's own pixels only, whatever its shape.
        QImage layer = threePartImage(background, bounds.size(), ratio);
        if (!layer.isNull()) {
            QPainter lighten(&layer);
            lighten.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            lighten.fillRect(bounds, QColor(255, 255, 255, 16));
        }
        painter.drawImage(bounds.topLeft(), layer);
    } else {
        drawThreePartImage(painter, bounds, background, ratio);
    }

    const QImage picture = pushedLook && !m_pushedPictogram.isNull() ? m_pushedPictogram : m_pictogram;
    const QSizeF pictureSize = pictogramSize(picture);
    const QFontMetricsF metrics(font());
    const QSizeF textSize =
        m_title.isEmpty() ? QSizeF() : QSizeF(metrics.horizontalAdvance(m_title), metrics.height());

    // Lay the pictogram and the title out as one group centred between the caps (a drop-down's
    // right cap is wider: it holds the chevron).
    QRectF pictureRect(QPointF(), pictureSize);
    QRectF textRect(QPointF(), textSize);
    const KTNamedImages &images = KTNamedImages::shared();
    const double leftCap = images.naturalSize(m_normalImages.left).width();
    const double rightCap = images.naturalSize(m_normalImages.right).width();
    const QPointF middle((leftCap + bounds.width() - rightCap) / 2, bounds.center().y());
    const bool both = !pictureSize.isEmpty() && !textSize.isEmpty();
    switch (m_pictogramPosition) {
    case PictogramLeft:
    case PictogramRight: {
        const double total = pictureSize.width() + textSize.width() + (both ? kGap : 0);
        const double start = middle.x() - total / 2;
        const bool pictureFirst = m_pictogramPosition == PictogramLeft;
        pictureRect.moveTopLeft({pictureFirst ? start : start + total - pictureSize.width(),
                                 middle.y() - pictureSize.height() / 2});
        textRect.moveTopLeft(
            {pictureFirst ? start + total - textSize.width() : start, middle.y() - textSize.height() / 2});
        break;
    }
    case PictogramAbove:
    case PictogramBelow: {
        const double total = pictureSize.height() + textSize.height() + (both ? kGap : 0);
        const double top = middle.y() - total / 2;
        const bool pictureFirst = m_pictogramPosition == PictogramAbove;
        pictureRect.moveTopLeft(
            {middle.x() - pictureSize.width() / 2, pictureFirst ? top : top + total - pictureSize.height()});
        textRect.moveTopLeft(
            {middle.x() - textSize.width() / 2, pictureFirst ? top + total - textSize.height() : top});
        break;
    }
    default:
        pictureRect.moveCenter(middle);
        textRect.moveCenter(middle);
        break;
    }

    if (!picture.isNull()) {
        const QPointF at(std::round(pictureRect.left() + m_pictogramOffset.x()),
                         std::round(pictureRect.top() - m_pictogramOffset.y()));
        painter.drawImage(at, picture);
    }
    if (!m_title.isEmpty()) {
        const QColor color = pushedLook && m_selectedFontColor.isValid() ? m_selectedFontColor : m_fontColor;
        const QPointF origin(std::round(textRect.left() + m_textOffset.x()),
                             std::round(textRect.top() - m_textOffset.y()) + metrics.ascent());
        painter.setFont(font());
        painter.setPen(QColor(0, 0, 0, 128));
        painter.drawText(origin + QPointF(1, 1), m_title);
        painter.setPen(color);
        painter.drawText(origin, m_title);
    }
}
