#include "KTImageInfoView.h"

#include "KTAbstractBackgroundView.h"
#include "KTColor.h"
#include "KTFont.h"
#include "KTImageDocument.h"
#include "KTImageMO.h"
#include "KTImageView.h"
#include "KTInfoStrings.h"
#include "KTInfoTextField.h"
#include "KTNamedImages.h"
#include "KTRecordDeletion.h"
#include "KTObjectContext.h"
#include "KTUIImageView.h"
#include "KTViewAdditions.h"
#include "KTZoomProtocol.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace {

/// The strip's text band: everything above the transparent bottom band.
constexpr double kFieldHeight = 16.0;
/// The width of the right-edge band.
constexpr double kRightEdgeWidth = 5.0;
/// The least room the compact arrangement keeps for the file name: enough for its start and
/// its end ("DSC…4021.JPG"), so two shots side by side stay told apart. The date gives way
/// first, shortened to its day at the least, then wholly (its tool tip keeps it), and only then
/// the camera line.
constexpr double kCompactNameMinimumWidth = 100.0;
constexpr double kCompactDateMinimumWidth = 70.0;

const QString kGroup = QStringLiteral("Group");
const QString kImage = QStringLiteral("Image");
const QString kList = QStringLiteral("List");
const QString kGroups = QStringLiteral("Groups");
const QString kCompare = QStringLiteral("Compare");

KTUIImageView *makeSeparator(QWidget *parent)
{
    auto *separator = new KTUIImageView(parent);
    separator->setIsMouseDownCanMoveWindow(false);
    separator->setImage(
        KTNamedImages::shared().image(QStringLiteral("infobar-separator"), parent->devicePixelRatioF()));
    separator->resize(KTNamedImages::shared().naturalSize(QStringLiteral("infobar-separator")).toSize());
    return separator;
}

void setX(QWidget *widget, double x)
{
    widget->move(int(std::round(x)), widget->y());
}

void setWidth(QWidget *widget, double width)
{
    widget->resize(std::max(0, int(std::round(width))), widget->height());
}

double maxX(const QWidget *widget)
{
    return widget->x() + widget->width();
}

} // namespace

const QStringList &KTImageInfoView::UIModes()
{
    static const QStringList modes{kGroup, kImage, kList, kGroups, kCompare};
    return modes;
}

KTImageInfoView::KTImageInfoView(QWidget *parent)
    : KTImageInfoView(QRectF(0, 0, kDesignedWidth, kHeight), parent)
{}

KTImageInfoView::KTImageInfoView(const QRectF &frame, QWidget *parent) : QWidget(parent)
{
    setGeometry(frame.toRect());
    initialize();
}

KTImageInfoView::~KTImageInfoView()
{
    stopFollowingRecord();
}

QColor KTImageInfoView::selectionColor()
{
    return QColor::fromRgbF(1.0, 216 / 255.0, 65 / 255.0, 1.0);
}

void KTImageInfoView::initialize()
{
    m_deletionObserver = observeRecordDeletion(
        this, [this]() -> const KTRecordRef<KTImageMO> & { return m_imageMO; },
        [this] { setImageMO(nullptr); });
    m_minFrameWidth = width();
    const double band = height() - kBackgroundTransparentAreaHeight;
    const double fieldY = std::round((band - kFieldHeight) / 2);

    m_backgroundImageView = new KTAbstractBackgroundView(this);
    m_backgroundImageView->setBackgroundColor(KTPalette::kPanel);
    m_backgroundImageView->setGeometry(0, 0, width(), int(band));

    m_containerView = new QWidget(this);
    m_containerView->setGeometry(0, 0, width(), int(band));
    const auto field = [&](QWidget *parent, const QFont &font, const QColor &color) {
        auto *text = new KTInfoTextField(parent);
        text->setFont(font);
        text->setTextColor(color);
        text->setGeometry(0, int(fieldY), 0, int(kFieldHeight));
        return text;
    };
    m_dateTextField = field(m_containerView, ktSmallFont(), KTPalette::kSecondaryText);
    m_dateTextField->setElision(KTInfoTextField::Elision::KeepingTheStart);
    m_leftSeparator = makeSeparator(m_containerView);
    m_nameTextField = field(m_containerView, ktBodyFont(), KTPalette::kText);
    m_nameTextField->setElision(KTInfoTextField::Elision::KeepingTheEnd);
    m_scalePercentTextField = field(m_containerView, ktSmallFont(), KTPalette::kSecondaryText);
    m_rightSeparator = makeSeparator(m_containerView);
    m_sizeTextField = field(m_containerView, ktSmallFont(), KTPalette::kSecondaryText);
    m_dimensionsTextField = field(m_containerView, ktSmallFont(), KTPalette::kSecondaryText);
    for (QWidget *separator :
         {static_cast<QWidget *>(m_leftSeparator), static_cast<QWidget *>(m_rightSeparator)})
        separator->move(0, int(std::round((band - separator->height()) / 2)));

    m_photoInfoSeparator = makeSeparator(this);
    m_photoInfoSeparator->move(0, int(std::round((band - m_photoInfoSeparator->height()) / 2)));
    m_photoInfoTextField = field(this, ktSmallFont(), KTPalette::kSecondaryText);
    m_groupsInfoTextField = field(this, ktSmallFont(), KTPalette::kSecondaryText);
    m_groupsInfoTextField->setAlignment(Qt::AlignHCenter);

    m_selectionImageView = new KTUIImageView(this);
    m_selectionImageView->setIsMouseDownCanMoveWindow(false);
    m_selectionImageView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_selectionImageView->setGeometry(rect());
    m_selectionImageView->hide();

    placeFixedFields();
    adjustUIVisibleElements();
}

void KTImageInfoView::setUIMode(const QString &mode)
{
    Q_ASSERT_X(UIModes().contains(mode), "KTImageInfoView",
               qPrintable(QStringLiteral("Failed to select UIMode %1 in image info view").arg(mode)));
    if (!UIModes().contains(mode))
        return;
    m_UIMode = mode;
    adjustUIVisibleElements();
}

// ---- The record and the followed view ----

void KTImageInfoView::stopFollowingRecord()
{
    m_fileExistsObserver.reset();
    if (m_document)
        disconnect(m_document.get(), nullptr, this, nullptr);
    m_document.reset();
    if (m_imageMO && m_imageMO->isMonitoringFileSystem())
        m_imageMO->stopMonitoringFileSystem();
}

void KTImageInfoView::setImageMO(KTImageMO *image)
{
    if (image == m_imageMO && !m_imageMO.isGone())
        return;
    stopFollowingRecord();
    m_imageMO = image;
    if (!image) {
        m_properties = {};
        adjustUIVisibleElements();
        return;
    }
    image->startMonitoringFileSystem();
    if (KTObjectContext *context = image->context(); context && context->isMainContext()) {
        m_fileExistsObserver = context->observe(image, QStringLiteral("originalFileExists"),
                                                [this](const KTValueChange &change) {
                                                    if (change.newValue.isValid())
                                                        setOriginalFileExists(change.newValue.toBool());
                                                });
    }
    m_originalFileExists = image->originalFileExists().value_or(false);
    // The viewer this strip follows has made the record's document already: the file is read once.
    m_document = KTImageDocument::forImage(image);
    m_properties = m_document->properties();
    connect(m_document.get(), &KTImageDocument::propertiesLoaded, this, [this] {
        m_properties = m_document->properties();
        updateView();
        layoutTextFields();
    });
    m_imageName = m_document->imageName();
    m_imageSize = qint64(image->size().value_or(0));
    updateView();
    layoutTextFields();
}

void KTImageInfoView::startObservingImageView(KTImageView *view)
{
    connect(view, &KTImageView::scalePercentChanged, this, [this, view] {
        m_scalePercent = view->scalePercent();
        refreshScalePercentText();
        layoutTextFields();
    });
    connect(view, &KTImageView::imageMOChanged, this, [this, view] {
        // A view that lets its record go does not clear the strip; setImageMO(nullptr) does.
        if (KTImageMO *image = view->imageMO()) {
            setImageMO(image);
            m_imageSize = qint64(image->size().value_or(0));
            refreshSizeText();
        }
        layoutTextFields();
    });
}

void KTImageInfoView::setOriginalFileExists(bool exists)
{
    if (exists == m_originalFileExists)
        return;
    m_originalFileExists = exists;
    adjustUIVisibleElements();
}

void KTImageInfoView::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    checkSelectionImageSize();
    m_selectionImageView->setVisible(selected);
}

void KTImageInfoView::setDrawsRightSpace(bool draws)
{
    m_drawsRightSpace = draws;
    const int band = int(height() - kBackgroundTransparentAreaHeight);
    m_backgroundImageView->setGeometry(0, 0, draws ? width() - 4 : width(), band);
    checkSelectionImageSize();
    update();
}

QRectF KTImageInfoView::rightEdgeRect() const
{
    // Measured in the strip's own coordinates, so the band stays at its right edge wherever the
    // strip is placed in its parent.
    return {width() - kRightEdgeWidth, 0, kRightEdgeWidth, height() - kBackgroundTransparentAreaHeight};
}

// ---- Visibility and texts ----

void KTImageInfoView::adjustUIVisibleElements()
{
    const bool something = m_imageMO && m_originalFileExists;
    if (!something) {
        m_containerView->hide();
        m_photoInfoSeparator->hide();
        m_photoInfoTextField->hide();
        m_selectionImageView->hide();
        m_groupsInfoTextField->setVisible(m_UIMode == kGroups);
        return;
    }
    if (m_UIMode == kImage || m_UIMode == kList || m_UIMode == kGroup) {
        m_containerView->show();
        m_scalePercentTextField->setVisible(m_UIMode == kImage);
        m_photoInfoTextField->show();
        m_photoInfoSeparator->setVisible(!m_photoInfoTextField->stringValue().isEmpty());
        m_groupsInfoTextField->hide();
    } else if (m_UIMode == kGroups) {
        m_containerView->hide();
        m_photoInfoTextField->hide();
        m_photoInfoSeparator->hide();
        m_groupsInfoTextField->show();
    } else if (m_UIMode == kCompare) {
        m_containerView->show();
        m_photoInfoTextField->hide();
        m_photoInfoSeparator->hide();
        m_groupsInfoTextField->hide();
    }
    m_selectionImageView->setVisible(m_selected);
    layoutTextFields();
}

void KTImageInfoView::updateView()
{
    adjustUIVisibleElements();
    refreshDateText();
    refreshDimensionsText();
    refreshPhotoInfoText();
    refreshNameText();
    refreshSizeText();
}

void KTImageInfoView::refreshNameText()
{
    // The zoom is a field of its own after a gap: a comma after the name would trail.
    if (!m_originalFileExists)
        return;
    m_nameTextField->setStringValue(m_imageName);
}

void KTImageInfoView::refreshScalePercentText()
{
    if (m_scalePercentTextField->isHidden())
        return;
    const std::optional<int> figure = KTZoomProtocol::zoomPercentFigure(m_scalePercent);
    m_scalePercentTextField->setStringValue(figure ? QStringLiteral("%1%").arg(*figure) : QString());
}

void KTImageInfoView::refreshDateText()
{
    m_dateTextField->setStringValue(m_properties.date);
}

void KTImageInfoView::refreshDimensionsText()
{
    m_dimensionsTextField->setStringValue(m_properties.pixelSize);
    const double text = m_dimensionsTextField->textWidth();
    if (text != m_dimensionsTextField->width())
        setWidth(m_dimensionsTextField, text + 5);
}

void KTImageInfoView::refreshSizeText()
{
    // The comma joins the pixel size; without one it would trail.
    const QString count = KTInfoStrings::byteCount(m_imageSize);
    m_sizeTextField->setStringValue(
        m_dimensionsTextField->stringValue().isEmpty() ? count : count + QLatin1Char(','));
}

void KTImageInfoView::refreshPhotoInfoText()
{
    m_photoInfoTextField->setStringValue(m_properties.cameraLine);
    // The separator belongs to a shown camera line only.
    if (!m_photoInfoTextField->isHidden())
        m_photoInfoSeparator->setVisible(!m_photoInfoTextField->stringValue().isEmpty());
}

// ---- Layout ----

void KTImageInfoView::setFrame(const QRectF &requested)
{
    QRectF frame = requested;
    if (m_drawsRightSpace)
        frame.setWidth(frame.width() + rightEdgeRect().width() + 1);
    if (const QWidget *parent = parentWidget(); parent && frame.right() > parent->rect().width())
        frame.setWidth(std::max(0.0, parent->rect().width() - frame.x()));
    const bool resized = frame.toRect().size() != size();
    setGeometry(frame.toRect());
    // A resize runs the rest through resizeEvent; a move alone does here.
    if (!resized)
        frameDidChange();
}

void KTImageInfoView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    frameDidChange();
}

void KTImageInfoView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Layout is skipped while hidden; the strip catches up when it is shown.
    layoutTextFields();
}

void KTImageInfoView::frameDidChange()
{
    const int band = int(height() - kBackgroundTransparentAreaHeight);
    m_backgroundImageView->setGeometry(0, 0, m_drawsRightSpace ? width() - 4 : width(), band);
    m_containerView->resize(width(), m_containerView->height());
    m_inCompactMode = m_minFrameWidth - 2 > width() ? 1.0 : 0.0;
    placeFixedFields();
    if (parentWidget() && !m_containerView->geometry().isNull())
        adjustUIVisibleElements();
    checkSelectionImageSize();
}

void KTImageInfoView::placeFixedFields()
{
    // The camera line ends 8 points before the right edge; the groups line spans the strip.
    setWidth(m_photoInfoTextField, m_photoInfoTextField->fittingWidth());
    setX(m_photoInfoTextField, width() - 8 - m_photoInfoTextField->width());
    setX(m_photoInfoSeparator, m_photoInfoTextField->x() - 8 - m_photoInfoSeparator->width());
    m_photoInfoTextField->setToolTip(QString());
    m_groupsInfoTextField->setGeometry(8, m_groupsInfoTextField->y(), std::max(0, width() - 16),
                                       m_groupsInfoTextField->height());
}

bool KTImageInfoView::layoutTextFieldsInCompactMode()
{
    // The container's fields end where the camera line's separator starts, as in the normal
    // layout; the camera line stays.
    const bool cameraShown =
        !m_photoInfoTextField->isHidden() && !m_photoInfoTextField->stringValue().isEmpty();
    const auto placeRightBlock = [this, cameraShown] {
        const double end = cameraShown ? double(m_photoInfoSeparator->x()) : double(width());
        setX(m_dimensionsTextField, end - 9 - m_dimensionsTextField->width());
        setX(m_sizeTextField, m_dimensionsTextField->x() - 2.5 - m_sizeTextField->width());
        setX(m_rightSeparator, m_sizeTextField->x() - 5 - m_rightSeparator->width());
        setX(m_scalePercentTextField, m_rightSeparator->x() - 5 - m_scalePercentTextField->width());
        return m_scalePercentTextField->x() - maxX(m_leftSeparator);
    };
    setX(m_dateTextField, 5);
    setX(m_leftSeparator, maxX(m_dateTextField) + 5);
    double available = placeRightBlock();
    if (available > m_nameTextField->width())
        return false;
    // The name gives way first; below its least room the date and then the camera line are
    // shortened (elided) instead of dropped.
    double shortage = kCompactNameMinimumWidth - (available - 10);
    if (shortage > 0) {
        const double date = m_dateTextField->width();
        const double cut = std::min(shortage, std::max(0.0, date - kCompactDateMinimumWidth));
        // A date that would be shorter than its day says nothing: it gives all its room.
        setWidth(m_dateTextField, shortage > cut ? 0.0 : date - cut);
        setX(m_leftSeparator, maxX(m_dateTextField) + 5);
        m_leftSeparator->setVisible(m_dateTextField->width() > 0);
        shortage -= date - m_dateTextField->width();
    }
    if (shortage > 0 && cameraShown) {
        setWidth(m_photoInfoTextField, std::max(0.0, m_photoInfoTextField->width() - shortage));
        setX(m_photoInfoTextField, width() - 8 - m_photoInfoTextField->width());
        setX(m_photoInfoSeparator, m_photoInfoTextField->x() - 8 - m_photoInfoSeparator->width());
    }
    available = placeRightBlock();
    for (KTInfoTextField *field : {m_dateTextField, m_photoInfoTextField})
        field->setToolTip(field->isTruncated() ? field->stringValue() : QString());
    // The name starts 5 points after the separator and, so that it never runs into the zoom,
    // ends 5 points before it.
    setWidth(m_nameTextField, available - 10);
    setX(m_nameTextField, maxX(m_leftSeparator) + 5);
    m_nameTextField->setToolTip(m_nameTextField->isTruncated() ? m_nameTextField->stringValue() : QString());
    return true;
}

void KTImageInfoView::layoutTextFields()
{
    if (isHiddenOrHasHiddenAncestor(this) || !m_originalFileExists)
        return;
    const bool zoomVisible = !m_scalePercentTextField->isHidden();
    for (KTInfoTextField *field :
         {m_dateTextField, m_nameTextField, m_dimensionsTextField, m_sizeTextField, m_scalePercentTextField})
        setWidth(field, field->fittingWidth());
    m_dateTextField->setToolTip(QString());
    m_leftSeparator->show();
    placeFixedFields();
    // The container spans the strip, as if resized with it; the normal layout may narrow it.
    setWidth(m_containerView, width());
    if (isInCompactMode() && layoutTextFieldsInCompactMode())
        return;

    const double right = m_sizeTextField->width() + m_dimensionsTextField->width() +
                         (zoomVisible ? m_scalePercentTextField->width() + 12 : 0) + 31;
    // A hidden camera line (in "Compare") takes no room.
    const bool cameraShown = !m_photoInfoTextField->isHidden();
    const double cap =
        width() - 16 - (cameraShown ? m_photoInfoSeparator->width() + m_photoInfoTextField->width() : 0.0);
    if (m_containerView->width() > cap)
        setWidth(m_containerView, cap);

    const double containerWidth = m_containerView->width();
    const double cx = containerWidth / 2;
    double needed = 55 + (zoomVisible ? 12 : 0) +
                    std::fabs(cx - m_nameTextField->width() / 2.0 - m_dateTextField->width());
    for (QWidget *child : childWidgets(m_containerView))
        if (!child->isHidden())
            needed += child->width();
    if (needed > containerWidth) {
        const QString name = m_nameTextField->stringValue();
        const double ellipsis =
            name.isEmpty() ? 0 : QFontMetricsF(m_nameTextField->font()).horizontalAdvance(QChar(0x2026));
        double w = m_nameTextField->width() - ((needed - containerWidth) - ellipsis + 20);
        double x = cx - w / 2;
        // The name narrows one point at a time until the right block fits, and never below 0.
        while (w > 0 && x + w + right + 3 > containerWidth) {
            w -= 1;
            x = cx - w / 2;
        }
        w = std::max(0.0, w);
        setWidth(m_nameTextField, std::floor(w + 0.5));
        setX(m_nameTextField, x);
    }
    m_nameTextField->setToolTip(m_nameTextField->isTruncated() ? m_nameTextField->stringValue() : QString());

    setX(m_nameTextField, std::round(cx - m_nameTextField->width() / 2.0));
    setX(m_leftSeparator, m_nameTextField->x() - 12);
    setX(m_dateTextField, m_nameTextField->x() - 24 - m_dateTextField->width());
    if (zoomVisible)
        setX(m_scalePercentTextField, maxX(m_nameTextField) + 12);
    const double end = zoomVisible ? maxX(m_scalePercentTextField) : maxX(m_nameTextField);
    setX(m_rightSeparator, end + 12);
    setX(m_sizeTextField, end + 24);
    setX(m_dimensionsTextField, maxX(m_sizeTextField) + 7);
}

// ---- Drawing ----

void KTImageInfoView::paintEvent(QPaintEvent *)
{
    if (m_drawsRightSpace) {
        QPainter painter(this);
        const QRectF band = rightEdgeRect();
        painter.fillRect(band, Qt::black);
        painter.fillRect(QRectF(band.right() - 1, 0, 2, band.height()), QColor::fromRgbF(0.2, 0.2, 0.2));
    }
    checkSelectionImageSize();
}

void KTImageInfoView::checkSelectionImageSize()
{
    if (isHiddenOrHasHiddenAncestor(this) || !m_selectionImageView || !m_selected)
        return;
    const QSize target(m_drawsRightSpace ? width() - int(rightEdgeRect().width()) : width(), height());
    if (!m_selectionImage.isNull() && m_selectionImage.deviceIndependentSize().toSize() == target)
        return;
    m_selectionImageView->setGeometry(QRect(QPoint(), target));
    const qreal ratio = devicePixelRatioF();
    QImage image(target * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    if (!target.isEmpty()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        // r, in the strip's y-up terms: 1 in from the left, above the transparent band, 1 below
        // the top, and clear of the right-edge band.
        const double h = target.height();
        const double w = target.width();
        const double rw = w - (m_drawsRightSpace ? 6 : 2);
        const double rh = h - 9;
        const QRectF r(1, h - 8 - rh, rw, rh); // converted once to y down
        painter.setPen(QPen(selectionColor(), 2));
        painter.drawRect(r.translated(0.5, -0.5));
        const QColor faded = [] {
            QColor c = selectionColor();
            c.setAlphaF(0.5);
            return c;
        }();
        const auto band = [&](const QRectF &area, QPointF from, QPointF to) {
            QLinearGradient gradient(from, to);
            gradient.setColorAt(0, faded);
            gradient.setColorAt(1, Qt::transparent);
            painter.fillRect(area, gradient);
        };
        const QRectF left(r.left(), r.top(), 9, r.height());
        const QRectF right(r.right() - 9, r.top(), 9, r.height());
        const QRectF top(r.left(), r.top(), r.width(), 9);
        const QRectF bottom(r.left(), r.bottom() - 9, r.width(), 9);
        band(left, left.topLeft(), left.topRight());
        band(right, right.topRight(), right.topLeft());
        band(top, top.topLeft(), top.bottomLeft());
        band(bottom, bottom.bottomLeft(), bottom.topLeft());
    }
    m_selectionImage = image;
    m_selectionImageView->setImage(image);
    m_selectionImageView->setVisible(m_selected);
}
