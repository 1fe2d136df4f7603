#pragma once

/// What the expert settings window tells the window that opened it when the user presses Apply.
/// The similar-groups mode implements it: it runs the similarity search with the manual settings
/// (accuracy level 0), reading the window's record (searchSettingsPtr()).
///
/// The implementer must be a QObject as well: the window holds it weakly, as the object it was
/// shown for, and Apply only refills the record when the object does not implement this.
class KTDuplicatesSearchSettingsApplyDelegate
{
public:
    virtual ~KTDuplicatesSearchSettingsApplyDelegate() = default;
    /// Main thread, after the window refilled its record from its controls.
    virtual void applySettings() = 0;
};
