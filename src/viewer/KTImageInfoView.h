#pragma once

#include "KTNotificationCenter.h"
#include "KTObservationToken.h"
#include "KTImageDocument.h"
#include "KTRecordRef.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <optional>

class KTAbstractBackgroundView;
class KTImageMO;
class KTImageView;
class KTInfoTextField;
class KTUIImageView;

/// The bottom band of the information strip and of the info-views container that stays
/// transparent, in points.
inline constexpr double kBackgroundTransparentAreaHeight = 8.0;

/// The one-line strip that describes one image: the capture date, the file name (with the zoom
/// where the sub-mode shows it), the byte and pixel sizes, and the camera settings; in "Groups"
/// a groups line instead. It follows an image view, hides its texts while the file is missing,
/// carries the highlight frame of the selected side of the comparison view, and switches to a
/// compact arrangement when it is narrower than it was made.
///
/// Only x positions and widths are laid out here; the heights and the vertical placement are
/// fixed. Qt layouts cannot alter a frame they are asked for, so owners place the strip with
/// setFrame(), which widens the strip for its right-edge band and keeps it within its parent.
///
/// Threading: main thread only.
class KTImageInfoView : public QWidget
{
    Q_OBJECT
public:
    /// The frame the strip is made with when none is given: its designed width and height.
    static constexpr double kDesignedWidth = 880.0;
    static constexpr double kHeight = 30.0;
    /// The sub-modes the strip knows.
    static const QStringList &UIModes();

    explicit KTImageInfoView(QWidget *parent = nullptr);
    /// A strip made at `frame`: its width is the designed width below which it turns compact.
    explicit KTImageInfoView(const QRectF &frame, QWidget *parent = nullptr);
    /// Stops monitoring the shown record's file.
    ~KTImageInfoView() override;

    /// Device RGB (1.0, 216/255, 65/255): the highlight frame of a selected strip.
    static QColor selectionColor();

    QString UIMode() const { return m_UIMode; }
    /// One of "Group", "Image", "List", "Groups", "Compare"; any other is a programming error
    /// (asserted; the mode is then left as it was).
    void setUIMode(const QString &mode);

    KTImageMO *imageMO() const { return m_imageMO; }
    /// Shows `image` (null clears the strip): its file is monitored while shown.
    void setImageMO(KTImageMO *image);
    /// Follows `view`: its record (whose document it shares) and its zoom.
    void startObservingImageView(KTImageView *view);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    bool drawsRightSpace() const { return m_drawsRightSpace; }
    void setDrawsRightSpace(bool draws);
    /// What the strip shows of the record's file: empty until the record's document has read it.
    const KTImageDocument::Properties &properties() const { return m_properties; }
    bool originalFileExists() const { return m_originalFileExists; }
    void setOriginalFileExists(bool exists);
    std::optional<double> scalePercent() const { return m_scalePercent; }
    QString imageName() const { return m_imageName; }
    qint64 imageSize() const { return m_imageSize; }

    /// Places the strip at `frame`: 6 points wider with the right-edge band, cut at the parent's
    /// right edge; then the compact flag, the layout and the highlight frame follow.
    void setFrame(const QRectF &frame);
    double minFrameWidth() const { return m_minFrameWidth; }
    bool isInCompactMode() const { return m_inCompactMode != 0.0; }
    /// The dark divider band at the right edge: 5 points wide, above the transparent band.
    QRectF rightEdgeRect() const;

    /// Runs the visibility rules, then refreshes every text.
    void updateView();
    void adjustUIVisibleElements();
    /// The normal layout (skipped while hidden or while the file is missing).
    void layoutTextFields();
    /// The compact layout; true when it applied (the name had to shrink).
    bool layoutTextFieldsInCompactMode();
    /// Redraws the highlight frame when its size no longer fits.
    void checkSelectionImageSize();
    QImage selectionImage() const { return m_selectionImage; }

    KTInfoTextField *dateTextField() const { return m_dateTextField; }
    KTInfoTextField *dimensionsTextField() const { return m_dimensionsTextField; }
    KTInfoTextField *nameTextField() const { return m_nameTextField; }
    KTInfoTextField *photoInfoTextField() const { return m_photoInfoTextField; }
    KTInfoTextField *sizeTextField() const { return m_sizeTextField; }
    KTInfoTextField *scalePercentTextField() const { return m_scalePercentTextField; }
    KTInfoTextField *groupsInfoTextField() const { return m_groupsInfoTextField; }
    QWidget *containerView() const { return m_containerView; }
    KTUIImageView *leftSeparator() const { return m_leftSeparator; }
    KTUIImageView *rightSeparator() const { return m_rightSeparator; }
    KTUIImageView *photoInfoSeparator() const { return m_photoInfoSeparator; }
    KTUIImageView *selectionImageView() const { return m_selectionImageView; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void initialize();
    void frameDidChange();
    void refreshNameText();
    void refreshScalePercentText();
    void refreshDateText();
    void refreshDimensionsText();
    void refreshSizeText();
    void refreshPhotoInfoText();
    void placeFixedFields();
    void stopFollowingRecord();

    QString m_UIMode;
    KTRecordRef<KTImageMO> m_imageMO;
    KTObservationToken m_fileExistsObserver;
    KTObserverToken m_deletionObserver;
    std::shared_ptr<KTImageDocument> m_document;
    KTImageDocument::Properties m_properties;
    QString m_imageName;
    std::optional<double> m_scalePercent;
    qint64 m_imageSize = 0;
    QImage m_selectionImage;
    double m_minFrameWidth = 0;
    double m_inCompactMode = 0.0;
    bool m_drawsRightSpace = false;
    bool m_selected = false;
    bool m_originalFileExists = false;

    KTAbstractBackgroundView *m_backgroundImageView = nullptr;
    QWidget *m_containerView = nullptr;
    KTInfoTextField *m_dateTextField = nullptr;
    KTUIImageView *m_leftSeparator = nullptr;
    KTInfoTextField *m_nameTextField = nullptr;
    KTInfoTextField *m_scalePercentTextField = nullptr;
    KTUIImageView *m_rightSeparator = nullptr;
    KTInfoTextField *m_sizeTextField = nullptr;
    KTInfoTextField *m_dimensionsTextField = nullptr;
    KTUIImageView *m_photoInfoSeparator = nullptr;
    KTInfoTextField *m_photoInfoTextField = nullptr;
    KTInfoTextField *m_groupsInfoTextField = nullptr;
    KTUIImageView *m_selectionImageView = nullptr;
};
