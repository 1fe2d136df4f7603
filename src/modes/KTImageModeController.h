#pragma once

#include "KTBaseUIModeController.h"
#include "KTImageListViewDataSource.h"
#include "KTPathSelection.h"
#include "KTPredicate.h"

#include <QHash>
#include <QSet>
#include <QVariantMap>

#include <memory>

class KTExportPopupViewController;
class KTGridScrollView;
class KTImageBrowserView;
class KTModeToolbar;
class KTSimpleBackgroundView;
class KTMultipleLabelsView;
class KTSingeImageInfoBar;
class QHBoxLayout;
class QMenu;

inline const QString kAllImagesFilterID = QStringLiteral("AllImagesFilter");

/// The review mode over one flat list of catalogue images: those its filter predicate selects,
/// in the mode's sort order, shown as a zoomable thumbnail grid (sub-mode "List") or one at a
/// time in the viewer above a thumbnail strip (sub-mode "Image"). The base of the picks,
/// remaining-images and rejects modes, which differ in their filter, empty-list message and a
/// few commands.
///
/// The list is the catalogue's filtered list registered under the mode's filter identifier (also
/// its mode ID, so its settings are stored under "<filter id>_<setting>"); every notification of
/// that list marks the mode for reload, and a hidden mode reloads when it is next shown.
///
/// The selection is kept twice: as indexes into the list and as file paths. After every rebuild
/// the indexes are found again from the paths, so a re-sort or a change of the list keeps the
/// images the user selected; when all of them left the list the selection stays at the same
/// positions, clipped to the list, and falls back to the first image. An image without a path is
/// listed but cannot be found again by path.
///
/// Threading: main thread only.
class KTImageModeController : public KTBaseUIModeController, public KTImageListViewDataSource
{
    Q_OBJECT
public:
    /// The mode over every image (filter "AllImagesFilter"); never shown by the main window.
    explicit KTImageModeController(QObject *parent = nullptr);
    ~KTImageModeController() override;

    // ---- Identity ----

    QString imagesFilterID() const override { return m_filterID; }
    QString modeID() const override { return m_filterID; }
    KTPredicate imagesFilterPredicate() const { return m_predicate; }
    /// The filter registered on the catalogue: the predicate (applied after the fetch) and
    /// imagesSortDescriptors().
    QVariantMap imagesFilter() const;

    // ---- Set-up ----

    /// Moves the observer and the filter from the previous catalogue to `storage`; the same
    /// catalogue again changes nothing.
    void setImageStorage(KTImageStorage *storage) override;
    /// Also handed to the grid and the strip.
    void setLoadingThumbnailsQueue(KTOperationQueue *queue) override;

    // ---- List and selection ----

    /// Position of each listed image's path in images().
    const QHash<QString, qsizetype> &imagePathToIndexMap() const { return m_paths.pathToIndexMap(); }
    /// The selection by path (refreshed after every selection change).
    const QSet<QString> &selectedPaths() const { return m_paths.selectedPaths(); }
    QString activeImagePath() const { return m_paths.activePath(); }
    /// Selects the listed ones of `images` (by path), `activeImage` active when listed; with
    /// `selectOnlyFirstImage` only the lowest of them, active. Then pushes the selection to the
    /// views.
    void setSelectedImages(const QList<KTImageMO *> &images, KTImageMO *activeImage,
                           bool selectOnlyFirstImage) override;
    void restoreAppLastLaunchSelection() override;

    // ---- KTImageListViewDataSource and KTImageListViewDelegate (grid and strip) ----

    qsizetype numberOfImages(KTImageListView *view) override;
    KTImageMO *imageMOAtIndex(qsizetype index, KTImageListView *view) override;
    void imageListViewSelectionDidChange(KTImageListView *view) override;
    void imageListViewCellWasDoubleClickedAtIndex(KTImageListView *view, qsizetype index) override;

    // ---- Answers to the main window ----

    /// NO for "Compare" and "Group".
    bool canSwitchToUIMode(const QString &mode) const override;
    /// YES in "List".
    bool canZoomListView() const override;
    /// YES while the catalogue's list for the mode's filter is not empty.
    bool exifPanelShouldBeShown() const override;
    /// The shared thumbnail zoom.
    double zoomValue() const override;
    void setZoomValue(double value) override;
    void setImageListZoom(double zoom) override;
    QString modeButtonBadge() const override;

    // ---- Commands ----

    /// The selected images are rejected (their files stay).
    void rejectSelectedImages() override;
    /// Non-empty: the catalogue asks, then moves the files to the trash and deletes the records.
    void deleteImagesInArray(const QList<KTImageMO *> &images);
    void deleteAllImages();
    /// "List": the grid puts its selection on the clipboard; "Image": the strip does.
    void copyImagesToPasteboard() override;
    void refresh() override;
    /// For a new session: "List", no EXIF panel, no strip, and a reload when next shown.
    void resetUI() override;
    void adjustUIVisibleElements() override;
    void validateUIVisibleElements() override;

    /// The export popover's content, made on first use.
    KTExportPopupViewController *exportViewController();

public slots:
    /// The sub-mode buttons: the grid button asks for "List", the image button for "Image".
    void onSwitchUIMode(QObject *sender);
    void onListMode(QObject *sender) override;
    void onNextImage(QObject *sender);
    void onPrevImage(QObject *sender);
    /// The sort pop-up (tags 0 "creationDate", 1 "modificationDate", 2 "name", 3 "size",
    /// 4 "resolveDate") and the order toggle (on: descending); a change registers the filter
    /// again, which re-sorts the list.
    void onSwitchSortKey(QObject *sender);
    void onSwitchSortOrder(QObject *sender);
    void onChangeZoom(QObject *sender) override;
    void onZoomIn(QObject *sender) override;
    void onZoomOut(QObject *sender) override;
    void onFit(QObject *sender) override;
    void onActualSize(QObject *sender) override;
    void onZoomLock(QObject *sender) override;
    /// Shows the export popover below the sender (the export button stays pushed while open).
    void onExport(QObject *sender);

public:
    // ---- Parts of the screen ----

    KTImageBrowserView *imageBrowserView() const;
    KTGridScrollView *imageBrowserScrollView() const;
    KTSimpleBackgroundView *backgroundView() const;
    KTAbstractButton *imagesModeButton() const;
    KTAbstractButton *switchSortOrderButton() const;
    KTResizablePopUpButton *switchSortKeyButton() const;
    KTAbstractButton *zoomLockButton() const;
    KTAbstractButton *exportButton() const;
    KTModeToolbar *toolBar() const;
    /// The info bars of "List" and of "Image".
    KTSingeImageInfoBar *allImagesInfoBar() const;
    KTSingeImageInfoBar *singleImageInfoBar() const;
    /// The totals of the list at the right end of the info bar: "Total: 12 images - 30 MB";
    /// empty while the list is.
    KTMultipleLabelsView *totalsInfo() const;

    /// The sort key of a pop-up tag, and back (an unknown key shows tag 0).
    static QString sortKeyForTag(int tag);
    static int tagForSortKey(const QString &key);

protected:
    /// A list mode over `filterID` with `predicate`; builds the screen and sets it up.
    KTImageModeController(const QString &filterID, const KTPredicate &predicate, QObject *parent);

    void initialize() override;
    /// The base's and the two sub-modes: "Grid" (Ctrl+1) and "Single Image" (Ctrl+2).
    void registerActions() override;
    /// The grid in "List", the strip in "Image".
    KTImageListView *listForKeys() const override;
    /// The overlay is shown in "Image".
    bool canShowExposurePixels() const override;
    void registerDefaults() override;
    void reload() override;
    void adjustUI() override;
    void onSpacePress() override;
    void updateExifView() override;
    void updateInfoView() override;
    bool navigationBarShouldBeShown() const override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    /// The grid in "List", the strip in "Image"; null (logged) in any other sub-mode.
    KTImageListView *listForSelectionCommand(const QString &command) const override;

    /// Rebuilds images() and the path map from the catalogue's list, reloads the grid and the
    /// strip, adjusts the screen and tells the delegate.
    void reloadImagesList();
    /// Finds the selection again by path (see the class comment).
    virtual void validateSelection();
    /// validateSelection(), then gives the selection to the views other than `sender` (the grid
    /// in "List"; the viewer and the strip in "Image") and refreshes the panels and buttons.
    virtual void adjustSelectionFromView(QObject *sender);
    /// The view's selection and active index become the mode's.
    void storeSelectionFromImageListView(KTImageListView *view);
    /// The paths of the selected indexes inside the list, and of the active one.
    void updateSelectedImagesPaths();
    /// Enables or disables the list's controls (sub-mode buttons, sort controls, zoom slider).
    virtual void setUIEnabled(bool enabled);
    /// Empties the list and the views.
    void clearImagesList();
    /// The message the grid shows while the list is empty.
    void setEmptyMessage(const QString &message);
    /// The records at the selected indexes, in index order.
    QList<KTImageMO *> selectedImages();

private:
    void buildView();
    void placeViewer();
    void observeNotificationsFromImageStorage(KTImageStorage *storage);
    void selectSingleImage(qsizetype index);
    void updateTotalsInfo();

    QString m_filterID;
    KTPredicate m_predicate;
    KTPathSelection m_paths;
    KTObserverToken m_listObserver;
    std::unique_ptr<KTExportPopupViewController> m_exportViewController;

    QPointer<KTImageBrowserView> m_imageBrowserView;
    QPointer<KTGridScrollView> m_imageBrowserScrollView;
    QPointer<KTImageNavigationView> m_navigationStrip;
    QPointer<KTSimpleBackgroundView> m_backgroundView;
    QPointer<KTAbstractButton> m_imagesModeButton;
    QPointer<KTAbstractButton> m_switchSortOrderButton;
    QPointer<KTResizablePopUpButton> m_switchSortKeyButton;
    QPointer<KTAbstractButton> m_zoomLockButton;
    QPointer<KTAbstractButton> m_selectPreviousButton;
    QPointer<KTAbstractButton> m_selectNextButton;
    QPointer<KTAbstractButton> m_exportButton;
    QPointer<KTModeToolbar> m_toolBar;
    QPointer<KTSingeImageInfoBar> m_allImagesInfoBar;
    QPointer<KTSingeImageInfoBar> m_singleImageInfoBar;
    QPointer<KTMultipleLabelsView> m_totalsInfo;
};
