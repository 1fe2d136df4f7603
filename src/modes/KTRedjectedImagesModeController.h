#pragma once

#include "KTImageModeController.h"
#include "KTSystemTrashCapability.h"

class KTMoveToTrashTipsViewController;

inline const QString kTrashImagesFilterID = QStringLiteral("TrashImagesFilter");

/// The rejects mode ("Trash" of the main window): every rejected image, shown without the rejected
/// veil, with Restore and Move to Trash. It has no pick or reject command: Restore (Ctrl+Shift+R)
/// takes their place.
///
/// Threading: main thread only.
class KTRedjectedImagesModeController : public KTImageModeController, public KTSystemTrashCapability
{
    Q_OBJECT
public:
    explicit KTRedjectedImagesModeController(QObject *parent = nullptr);
    ~KTRedjectedImagesModeController() override;

    /// Restore: the selected images are no longer rejected, and the catalogue processes the change
    /// before this returns (the list shrinks at once). Nothing without a selection.
    void onPutBack(QObject *sender);
    /// In a catalogue session shows the move-to-trash tips and trashes nothing. Otherwise hands
    /// the catalogue's current rejects (its list for "TrashImagesFilter", the records still
    /// rejected and not deleted) to the catalogue, which asks, moves their files to the trash and
    /// deletes their records. The mode's own list may be stale while it is hidden, so it is not
    /// what is trashed.
    void onMoveToSystemTrash(QObject *sender) override;
    /// The records onMoveToSystemTrash() would hand over now.
    QList<KTImageMO *> currentRejects() const;

    KTBadgeButton *putBackButton() const;
    KTAbstractButton *moveToTrashButton() const;
    /// The tips panel, made on first use.
    KTMoveToTrashTipsViewController *moveToTrashTipsController();

protected:
    void setUIEnabled(bool enabled) override;
    void validateSelection() override;
    /// Restore's badge and title: "Restore" for fewer than two selected images, else the count.
    void adjustResotoreButtonUI();
    void showMoveToTrashTips();

private:
    /// Restore in the place of pick and reject (the base registered those before this class was built).
    void registerRestoreAction();

    QPointer<KTBadgeButton> m_putBackButton;
    QPointer<KTAbstractButton> m_moveToTrashButton;
    std::unique_ptr<KTMoveToTrashTipsViewController> m_moveToTrashTipsController;
};
