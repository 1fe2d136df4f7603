#pragma once

#include "KTBaseUIModeController.h"
#include "KTRecordRef.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class KTButton;
class KTImageMO;
class KTImageStorage;
class KTMainToolbar;
class KTOperationQueue;
class QGridLayout;
class QKeyEvent;

// The UI modes of the main window, persisted under "UIMode".
inline const QString kUIModeKey = QStringLiteral("UIMode");
inline const QString kDuplicatesUIMode = QStringLiteral("Duplicates");
inline const QString kAllImagesUIMode = QStringLiteral("AllImages");
inline const QString kFavoritesUIMode = QStringLiteral("Favorites");
inline const QString kTrashUIMode = QStringLiteral("Trash");
inline const QString kLeftImagesUIMode = QStringLiteral("LeftImages");
/// No session yet: the timeline's view is shown under the sources window.
inline const QString kSourcesUIMode = QStringLiteral("Sources");

/// The review modes of the main window and which one is on screen: it makes the four mode
/// controllers, keeps the active UI mode (persisted under "UIMode"), shows the active mode's view
/// and sets the toolbar's mode buttons, carries the selection from one mode to the next, and
/// broadcasts the thumbnail zoom to every mode.
///
/// A switch ends with switched(); the main window then brings its toolbar and menus up to date.
///
/// Threading: main thread only.
class KTModeSwitcher : public QObject
{
    Q_OBJECT
public:
    /// Makes the mode controller of a UI mode ("AllImages", "Favorites", "Trash", "Duplicates"),
    /// or null.
    using ModeControllerFactory =
        std::function<std::unique_ptr<KTBaseUIModeController>(const QString &uiMode)>;

    /// Over `storage`, which must outlive it.
    explicit KTModeSwitcher(KTImageStorage *storage, QObject *parent = nullptr);
    ~KTModeSwitcher() override;

    /// Makes the modes with `factory` (a mode it answers null for is absent and its UI mode shows
    /// nothing), puts their hidden views into `container`'s one cell and hands each its toolbar
    /// buttons, the thumbnail queue, the catalogue and `delegate`.
    void createModes(const ModeControllerFactory &factory, QGridLayout *container, KTMainToolbar *toolbar,
                     KTOperationQueue *thumbnailQueue, KTBaseUIModeControllerDelegate *delegate);
    /// Deletes the modes (before the window that holds their views).
    void deleteModes();

    /// The active UI mode; "Duplicates" (written to the defaults) when none is stored.
    QString UIMode();
    /// Stores and persists the mode; does not redraw (follow with showActiveMode()).
    void setUIMode(const QString &mode);
    /// Carries the selection over, sets `mode`, then emits switched().
    void switchToUIMode(const QString &mode);
    void onAllImages();
    /// Also asks the similar-groups mode to adjust its views.
    void onDuplicates();
    void onFavorites();
    void onTrash();
    void onResult();
    /// The mode of a menu tag (210-213); any other tag switches to none.
    void setUIModeWithTag(int tag);
    /// The menu tag of a UI mode or sub-mode; 0 for any other name.
    static int tagForUIMode(const QString &mode);
    /// 210 "Duplicates", 212 "Favorites", 213 "Trash", 214 "Groups", 215 "Group", 216 "Image",
    /// 217 "Compare"; any other tag "AllImages".
    static QString uiModeForTag(int tag);

    /// Shows the active UI mode ("Sources" without sources): its view alone, then
    /// validateUIVisibleElements().
    void showActiveMode();
    /// The active mode's button on, the others off, and the selection carried from the last mode
    /// handed to the active one.
    void validateUIVisibleElements();

    /// The mode controller of the active UI mode; null for "Sources", "LeftImages" and unknown
    /// modes.
    KTBaseUIModeController *activeModeViewController();
    /// Timeline, picks, rejects, similar groups (those that exist).
    QList<KTBaseUIModeController *> viewControllers() const;
    KTBaseUIModeController *allImagesModeController() const { return m_allImagesModeController.get(); }
    KTBaseUIModeController *duplicatesImagesController() const { return m_duplicatesImagesController.get(); }
    KTBaseUIModeController *favoriteImagesModeController() const
    {
        return m_favoriteImagesModeController.get();
    }
    KTBaseUIModeController *trashImagesController() const { return m_trashImagesController.get(); }
    /// The similar groups and the timeline: modes with a grid of groups.
    bool isGroupsMode(const KTBaseUIModeController *mode) const;
    /// The picks and the rejects: modes with a plain list.
    bool isListMode(const KTBaseUIModeController *mode) const;
    /// The number of images the mode's filter lists; 0 without the mode.
    quint64 filteredCount(const KTBaseUIModeController *mode) const;

    /// "t", "s", "p", "j" without modifiers switch modes; true when the key was used.
    bool keyDown(const QKeyEvent &event);
    /// The active mode's answer.
    bool performKeyEquivalent(const QKeyEvent &event);
    /// A pinch: the active mode's thumbnail zoom grows by half the magnification, within 0 to 1.
    void magnify(double magnification);
    /// Gives `zoom` to every mode but `controllerToExclude`.
    void setImageListZoom(double zoom, KTBaseUIModeController *controllerToExclude);

    /// The selection of the active mode, kept for the next mode shown.
    void storeSelectionFromActiveController();
    /// A new session: the carried selection and every mode's view state go.
    void resetModes();
    /// The session's records are going: the carried selection and the active mode's info strip
    /// let go of them.
    void forgetSessionRecords();
    /// Clears the info strip of `mode` (when it has one).
    static void clearInfoView(KTBaseUIModeController *mode);
    void saveSelectionStateInActiveViewController();

signals:
    /// switchToUIMode() has set a new mode; the owner shows it.
    void switched();

private:
    std::unique_ptr<KTBaseUIModeController> makeMode(const ModeControllerFactory &factory,
                                                     const QString &uiMode, KTButton *modeButton);
    /// Hides the views of the modes not shown, then shows the active one, and refreshes them all.
    void adjustUIVisibleElements();

    KTImageStorage *m_storage;
    QPointer<QGridLayout> m_container;
    QPointer<KTMainToolbar> m_toolbar;
    KTOperationQueue *m_thumbnailQueue = nullptr;
    KTBaseUIModeControllerDelegate *m_delegate = nullptr;
    std::unique_ptr<KTBaseUIModeController> m_allImagesModeController;
    std::unique_ptr<KTBaseUIModeController> m_duplicatesImagesController;
    std::unique_ptr<KTBaseUIModeController> m_favoriteImagesModeController;
    std::unique_ptr<KTBaseUIModeController> m_trashImagesController;
    QString m_UIMode;
    /// Kept until the next mode is shown: handles, since the session may be cleared meanwhile.
    KTRecordList<KTImageMO> m_selectedImages;
    KTRecordRef<KTImageMO> m_activeImage;
    bool m_selectOnlyFirstImage = false;
};
