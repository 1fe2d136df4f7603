// The similar-groups mode's search: its accuracy level, the expert settings and the time range.
#include "KTDuplicatesImagesModeController.h"

#include "KTAbstractButton.h"
#include "KTAccuracyPopoverWindowController.h"
#include "KTDuplicatesSearchSettingsController.h"
#include "KTDuplicatesSeeker.h"
#include "KTImageStorage.h"
#include "KTSearchSettings.h"
#include "KTTimeRangePopoverWindowController.h"
#include "KTUtils.h"

#include <QPointer>

// ---- Accuracy ----

void KTDuplicatesImagesModeController::updateAccuracySettings()
{
    // Levels 1 to 5 are the presets "lowest" to "highest"; anything else is "normal".
    const int index = m_accuracyLevel >= 1 && m_accuracyLevel <= 5 ? m_accuracyLevel - 1 : 2;
    KTDuplicatesSearchSettingsController::sharedController().loadSettingsFromPath(presetPathForIndex(index));
}

void KTDuplicatesImagesModeController::onShowAccuracyPopover(QObject *)
{
    if (!m_accuracyButton->isPushed()) {
        if (m_accuracyWindowController)
            m_accuracyWindowController->closePopover();
        return;
    }
    createAccuracyPopover();
    if (m_accuracyWindowController->isShown())
        return;
    const QPointer<KTAbstractButton> button(m_accuracyButton);
    m_accuracyWindowController->showRelativeToView(m_accuracyButton, [button] {
        if (button)
            button->setPushed(false);
    });
}

void KTDuplicatesImagesModeController::accuracyWindowControllerDidSelectAccuracyLevel(unsigned level)
{
    if (int(level) == m_accuracyLevel)
        return;
    keepSelectionThroughSearch();
    setAccuracyLevel(int(level));
    updateAccuracySettings();
    applySettingsWithAccuracy(m_accuracyLevel);
}

void KTDuplicatesImagesModeController::accuracyWindowControllerDidCancelWithPreviousAccuracyLevel(
    unsigned level)
{
    setAccuracyLevel(int(level));
    // The expert window shows the settings of the level in force again.
    updateAccuracySettings();
}

void KTDuplicatesImagesModeController::accuracyWindowControllerWantsToShowExpertSettings()
{
    onShowSearchSettings(nullptr);
}

void KTDuplicatesImagesModeController::onShowSearchSettings(QObject *)
{
    KTDuplicatesSearchSettingsController::sharedController().showWindow(this);
}

void KTDuplicatesImagesModeController::applySettingsWithAccuracy(const QVariant &level)
{
    if (KTImageStorage *storage = imageStorage())
        storage->findImagesDuplicatesWithSimilarityLevel(level, timeRange());
}

void KTDuplicatesImagesModeController::applySettings()
{
    KTImageStorage *storage = imageStorage();
    if (!storage)
        return;
    // The search reads the manual settings from its seeker: give it those of the window.
    if (auto *seeker = storage->findChild<KTDuplicatesSeeker *>())
        seeker->setManualSearchSettings(
            *KTDuplicatesSearchSettingsController::sharedController().searchSettingsPtr());
    keepSelectionThroughSearch();
    applySettingsWithAccuracy(QVariant());
}

// ---- Time range ----

QList<double> KTDuplicatesImagesModeController::timeRanges() const
{
    return KTTimeRangePopoverWindowController::defaultTimeRanges();
}

QStringList KTDuplicatesImagesModeController::timeRangesStrings() const
{
    return KTTimeRangePopoverWindowController::defaultTimeRangesStrings();
}

QString KTDuplicatesImagesModeController::timeRangeDescription() const
{
    return tr("Only photos, taken within selected time range will be analized for duplicates & similars.");
}

void KTDuplicatesImagesModeController::timeRangePopoverDidDone(KTTimeRangePopoverWindowController *popover)
{
    setTimeRange(popover->timeRange());
    keepSelectionThroughSearch();
    if (KTImageStorage *storage = imageStorage())
        storage->findImagesDuplicatesWithSimilarityLevel(m_accuracyLevel, timeRange());
    updateTimeRangeButton();
}

void KTDuplicatesImagesModeController::resetTimeRange()
{
    setTimeRange(0.0);
    showTimeRangeInPopover(0.0);
}
