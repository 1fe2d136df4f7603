#pragma once

#include "KTAccuracyPopoverWindowControllerDelegate.h"
#include "KTPopoverWindowController.h"
#include "KTWeakDelegate.h"

#include <QList>
#include <QString>

class KTAbstractButton;
class KTSegmentedTimeRangeView;

/// The accuracy popover of the similar-groups mode: the five accuracy levels ("Lowest" to
/// "Highest") as one tab strip with the level in force pushed, and a button that opens the expert
/// settings window. A choice is reported to the delegate and closes the popover; if the work it
/// starts is cancelled from the progress sheet, the popover takes the previous level again and
/// tells the delegate.
///
/// Threading: main thread only.
class KTAccuracyPopoverWindowController : public KTPopoverWindowController
{
    Q_OBJECT
    Q_PROPERTY(unsigned accuracyLevel READ accuracyLevel WRITE setAccuracyLevel NOTIFY accuracyLevelChanged)
    Q_PROPERTY(QString accuracyLevelName READ accuracyLevelName NOTIFY accuracyLevelChanged)
public:
    static constexpr unsigned kLevelCount = 5;

    explicit KTAccuracyPopoverWindowController(QWidget *parent = nullptr);
    ~KTAccuracyPopoverWindowController() override;

    KTAccuracyPopoverWindowControllerDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTAccuracyPopoverWindowControllerDelegate *delegate) { m_delegate = delegate; }

    /// The level shown pushed, 1 to 5.
    unsigned accuracyLevel() const { return m_accuracyLevel; }
    /// Stores `level` and takes its button's title as the name (empty for a level without a
    /// button); pushes that button.
    void setAccuracyLevel(unsigned level);
    /// The title of the button of the level in force.
    QString accuracyLevelName() const { return m_accuracyLevelName; }
    /// The level before the last choice.
    unsigned previousAccuracyLevel() const { return m_prevAccuracyLevel; }

    /// Pushes the button of the level in force, then shows the popover. A level without a button
    /// is a programming error (asserted: "Cannot get selected button in accuracy window
    /// controller").
    void showRelativeToView(QWidget *anchor, Completion completion = {}) override;

    /// A level button's action: tells the delegate of its level, watches the progress sheet and
    /// closes.
    void onSelectAccuracy(KTAbstractButton *sender);
    /// The expert-settings button's action.
    void onShowSearchSettings();

    KTAbstractButton *buttonForLevel(unsigned level) const;
    KTAbstractButton *expertSettingsButton() const { return m_expertSettingsButton; }

signals:
    void accuracyLevelChanged();

protected:
    void progressDidCancel() override;

private:
    KTWeakDelegate<KTAccuracyPopoverWindowControllerDelegate> m_delegate;
    unsigned m_accuracyLevel = 3;
    QString m_accuracyLevelName;
    unsigned m_prevAccuracyLevel = 3;
    KTSegmentedTimeRangeView *m_buttonsContainer = nullptr;
    QList<KTAbstractButton *> m_levelButtons;
    KTAbstractButton *m_expertSettingsButton = nullptr;
};
