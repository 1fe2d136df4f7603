#pragma once

#include "KTBaseUIModeController.h"
#include "KTButton.h"
#include "KTImageInfoView.h"
#include "KTSimilaritySearchCapability.h"
#include "KTSystemTrashCapability.h"
#include "KTTimeGroupingCapability.h"

#include <QPointer>
#include <QSet>
#include <QStringList>

#include <memory>

class KTImageStorage;

/// A review mode for the main window's tests and the screens tool, until the real modes exist:
/// it registers the filtered list of its UI mode on the catalogue under the real mode's filter
/// identifier ("GrouppedImages", "KTTimelineImagesModeController", "FavoriteImagesFilter",
/// "TrashImagesFilter"), lists those images, keeps a selection by index, shows the images as a
/// plain wall of thumbnails (grouped by similar group in "Duplicates"), and records every
/// operation it receives. It registers the menu commands its real mode has, each recording its
/// run; commandsAvailable says whether they can run.
///
/// Threading: main thread only.
class KTFakeModeController : public KTBaseUIModeController,
                             public KTSimilaritySearchCapability,
                             public KTTimeGroupingCapability,
                             public KTSystemTrashCapability
{
    Q_OBJECT
public:
    /// `uiMode` is the main window's UI mode of the mode: "Duplicates", "AllImages",
    /// "Favorites" or "Trash".
    explicit KTFakeModeController(const QString &uiMode, QObject *parent = nullptr);
    ~KTFakeModeController() override;

    /// A factory for KTMainWindowController::setModeControllerFactory(); every mode it makes is
    /// also reachable through made() until destroyed.
    static std::unique_ptr<KTBaseUIModeController> make(const QString &uiMode);
    /// The living fake of a UI mode, or null.
    static KTFakeModeController *made(const QString &uiMode);

    /// The filter identifier of a UI mode's real mode.
    static QString filterIDForUIMode(const QString &uiMode);
    bool isGroupsMode() const;

    // ---- What the test sees and sets ----

    /// Every operation received, in order: its name, with ":" and the argument where there is one
    /// ("switchToUIMode:Compare", "pick", "onMove"). The mode's menu commands record their
    /// action's object name without the "modeCommand" prefix: "command:<number>".
    QStringList calls;
    int count(const QString &call) const { return int(calls.count(call)); }
    /// What a command records when it runs.
    static QString commandCall(KTModeCommand command)
    {
        return QStringLiteral("command:%1").arg(int(command));
    }
    QString uiModeName;
    QString subMode;
    QList<int> selectedIndexes;
    int activeIndex = -1;
    double zoom = 0.0;
    /// Whether the mode's commands are available (all of them).
    bool commandsAvailable = true;
    bool canZoomListViewAnswer = true;
    bool exifShouldBeShown = true;
    bool exifVisible = false;
    int accuracy = 3;
    double range = 30.0;
    KTImageStorage *storage() const { return m_storage; }
    KTBaseUIModeControllerDelegate *delegate() const { return m_delegate; }
    KTButton *modeButton() const { return m_modeButton; }

    // ---- KTBaseUIModeController ----

    QWidget *view() const override;
    void setLoadingThumbnailsQueue(KTOperationQueue *queue) override;
    void setModeButton(KTButton *button) override;
    void setShowPixelsButton(KTAbstractButton *button) override;
    void setShowFocusMaskButton(KTAbstractButton *button) override;
    void setImageStorage(KTImageStorage *storage) override;
    void setDelegate(KTBaseUIModeControllerDelegate *delegate) override;
    QString UIMode() const override { return subMode; }
    void switchToUIMode(const QString &mode) override;
    bool canSwitchToUIMode(const QString &mode) const override;
    QList<KTImageMO *> images() const override;
    QString imagesFilterID() const override { return filterIDForUIMode(uiModeName); }
    void setSelectedImages(const QList<KTImageMO *> &images, KTImageMO *activeImage,
                           bool selectOnlyFirstImage) override;
    void enumerateSelectedImagesUsingBlock(
        const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block) override;
    KTImageMO *activeImageMO() const override;
    void saveSelections() override;
    void restoreAppLastLaunchSelection() override;
    void refresh() override;
    void resetUI() override;
    void adjustUIVisibleElements() override;
    /// A real information strip, hidden, so that a test sees what the main window shows in it.
    KTImageInfoView *infoView() const override { return m_infoView; }
    bool exifPanelShouldBeShown() const override { return exifShouldBeShown; }
    bool isExifPanelVisible() const override { return exifVisible; }
    void onShowExifView(QObject *sender) override;
    bool canZoomListView() const override { return canZoomListViewAnswer; }
    double zoomValue() const override { return zoom; }
    void setZoomValue(double value) override;
    void rejectSelectedImages() override;
    void onCopy(QObject *sender) override;
    void onMove(QObject *sender) override;

    // ---- Capabilities (the shell asks the right mode for each) ----

    int accuracyLevel() const override { return accuracy; }
    double timeRange() const override { return range; }
    void updateAccuracySettings() override;
    void resetTimeRange() override;
    void onShowSearchSettings(QObject *sender) override;
    QWidget *rejectNotSelectedButton() const override;
    void onMoveToSystemTrash(QObject *sender) override;

private:
    void record(const QString &call) { calls.append(call); }
    void registerFakeActions();

    QPointer<QWidget> m_view;
    QPointer<QWidget> m_rejectNotSelectedButton;
    QPointer<KTImageInfoView> m_infoView;
    KTImageStorage *m_storage = nullptr;
    KTBaseUIModeControllerDelegate *m_delegate = nullptr;
    QPointer<KTButton> m_modeButton;
};
