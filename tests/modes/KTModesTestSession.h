#pragma once

#include "KTBaseUIModeController.h"
#include "KTSessionFixtures.h"

#include <QList>
#include <QString>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>
#include <optional>

class KTEntitiesManager;
class KTFocusedRegionsManager;
class KTFolderMO;
class KTImageMO;
class KTImageStorage;
class KTOperationQueue;
class KTUserDefaults;

/// What a review-mode test works in: a catalogue in a temporary folder whose images have real
/// JPEG files, user defaults of its own (installed for the modes while the session lives, so no
/// setting leaks from one test to the next), the grids' thumbnail services on a queue of their
/// own, and every animation off.
class KTModesTestSession
{
public:
    KTModesTestSession();
    ~KTModesTestSession();

    struct Decisions
    {
        std::optional<bool> picked;
        std::optional<bool> rejected;
    };

    /// A folder source ("fileSystem" unless `type` says another, such as "Lightroom5").
    KTFolderMO *addSource(const QString &type = QStringLiteral("fileSystem"));
    /// An image named `name` with a small JPEG at "<folder>/<name>.jpg" (unless `writeFile` is
    /// false) and the decisions given; created one minute after the previous one. Its changes
    /// are processed.
    KTImageMO *addImage(const QString &name, Decisions decisions = {}, bool writeFile = true);
    /// `count` images "<prefix>001"..., each with the decisions given.
    QList<KTImageMO *> addImages(int count, const QString &prefix, Decisions decisions = {});
    /// Delivers the catalogue's pending changes (lists and notifications become current).
    void process();
    /// Destroys the user defaults and opens them again from their file: what a restart sees.
    void restartDefaults();

    KTImageStorage &storage() const { return *m_storage; }
    KTUserDefaults &defaults() const { return *m_defaults; }
    KTOperationQueue &thumbnailQueue() const { return *m_queue; }
    QString folder() const { return m_dir.path(); }
    QString path(const QString &name) const;

private:
    QTemporaryDir m_dir;
    KTRecordingErrorSeams m_errors;
    std::unique_ptr<KTUserDefaults> m_defaults;
    std::unique_ptr<KTImageStorage> m_storage;
    std::unique_ptr<KTOperationQueue> m_queue;
    std::unique_ptr<KTEntitiesManager> m_entities;
    std::unique_ptr<KTFocusedRegionsManager> m_focusedRegions;
    struct Scope;
    std::unique_ptr<Scope> m_scope;
    KTFolderMO *m_folder = nullptr;
    int m_created = 0;
};

/// Counts what a mode reports to the main window.
class KTRecordingModeDelegate : public KTBaseUIModeControllerDelegate
{
public:
    void baseUIModeControllerStartedMovingImages(KTBaseUIModeController *, bool, qint64) override {}
    void baseUIModeControllerMovedImage(KTBaseUIModeController *) override {}
    void baseUIModeControllerFinishedMovingImages(KTBaseUIModeController *) override {}
    void controllerDidChangeUIMode(KTBaseUIModeController *) override { ++uiModeChanges; }
    void imagesListDidChange(KTBaseUIModeController *) override { ++listChanges; }

    int uiModeChanges = 0;
    int listChanges = 0;
};

/// A shown window whose container holds one mode's view, set up as the main window sets its
/// modes up: the thumbnail queue, the view hidden and placed, the catalogue, the delegate. The
/// mode's view stays hidden until showMode().
class KTModeWindow
{
public:
    KTModeWindow(KTModesTestSession &session, KTBaseUIModeController &mode, QSize size = QSize(1000, 700));
    ~KTModeWindow();

    void showMode();
    void hideMode();
    QWidget &window() { return m_window; }
    /// What a user does with the mouse on `widget`: a click in its middle, then a drag across it.
    /// The click gives the focus as the widget's focus policy says.
    static void clickAndDrag(QWidget *widget);
    /// A key pressed where the keyboard focus is (on the window when nothing in it has it).
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    KTRecordingModeDelegate delegate;

private:
    QWidget m_window;
    QPointer<KTBaseUIModeController> m_mode;
};
