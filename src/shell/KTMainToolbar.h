#pragma once

#include "KTAbstractButton.h"
#include "KTAbstractProgressIndicator.h"
#include "KTModeButton.h"

#include <QPointer>
#include <QWidget>

/// The main window's toolbar, laid out in its title strip: New Session, undo and redo at the
/// left; the mode buttons (similar groups, timeline, picks, rejects) in the middle; the activity
/// spinner and the EXIF-panel button at the right. The remaining-images mode button and the
/// exposure, focus-mask, sync and focus-region buttons exist for the modes and commands that
/// drive them but are hidden (the main window never shows those modes or tools).
///
/// The owner connects the buttons' clicked() signals; the toolbar only lays them out and turns
/// all but New Session off and on as a whole while the sources window covers the window.
///
/// Threading: main thread only.
class KTMainToolbar : public QWidget
{
    Q_OBJECT
public:
    explicit KTMainToolbar(QWidget *parent = nullptr);
    ~KTMainToolbar() override;

    /// Disables every button but New Session while the sources window covers the window (New
    /// Session brings it back to the front); enableButtons() gives each back its own enabled
    /// state (which the owner may change meanwhile).
    void disableButtons() { m_sessionControls->setEnabled(false); }
    void enableButtons() { m_sessionControls->setEnabled(true); }

    KTAbstractButton *newSessionButton() const { return m_newSessionButton; }
    KTAbstractButton *undoButton() const { return m_undoButton; }
    KTAbstractButton *redoButton() const { return m_redoButton; }
    KTModeButton *allImagesModeButton() const { return m_allImagesModeButton; }
    KTModeButton *duplicatesModeButton() const { return m_duplicatesModeButton; }
    KTModeButton *resultModeButton() const { return m_resultModeButton; }
    KTModeButton *favoritesModeButton() const { return m_favoritesModeButton; }
    KTModeButton *trashModeButton() const { return m_trashModeButton; }
    KTAbstractButton *showExifButton() const { return m_showExifButton; }
    KTAbstractButton *showPixelsButton() const { return m_showPixelsButton; }
    KTAbstractButton *showFocusMaskButton() const { return m_showFocusMaskButton; }
    KTAbstractButton *syncExternalImagesButton() const { return m_syncExternalImagesButton; }
    KTAbstractButton *focusRegionsButton() const { return m_focusRegionsButton; }
    KTAbstractButton *focusPointLatticeButton() const { return m_focusPointLatticeButton; }
    KTAbstractProgressIndicator *exposurePixelsGenerationProgressIndicator() const { return m_spinner; }

private:
    QWidget *m_sessionControls = nullptr;
    QPointer<KTAbstractButton> m_newSessionButton;
    QPointer<KTAbstractButton> m_undoButton;
    QPointer<KTAbstractButton> m_redoButton;
    QPointer<KTModeButton> m_allImagesModeButton;
    QPointer<KTModeButton> m_duplicatesModeButton;
    QPointer<KTModeButton> m_resultModeButton;
    QPointer<KTModeButton> m_favoritesModeButton;
    QPointer<KTModeButton> m_trashModeButton;
    QPointer<KTAbstractButton> m_showExifButton;
    QPointer<KTAbstractButton> m_showPixelsButton;
    QPointer<KTAbstractButton> m_showFocusMaskButton;
    QPointer<KTAbstractButton> m_syncExternalImagesButton;
    QPointer<KTAbstractButton> m_focusRegionsButton;
    QPointer<KTAbstractButton> m_focusPointLatticeButton;
    QPointer<KTAbstractProgressIndicator> m_spinner;
};
