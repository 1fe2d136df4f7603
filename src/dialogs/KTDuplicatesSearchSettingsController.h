#pragma once

#include "KTNotificationCenter.h"
#include "KTSearchSettings.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <vector>

class KTAbstractButton;
class KTTimeWeakeningFactorView;
class KTValueSlider;
class QCheckBox;
class QLabel;

/// Where a settings file comes from: a preset built into the program, whose failure to load is a
/// programming error, or a file the user chose, whose failure is shown to the user.
enum class KTSettingsFileOrigin
{
    BundledPreset,
    UserFile,
};

/// The expert settings window of the similarity search: check boxes, sliders and the
/// time-weakening curve for every parameter of a KTSearchSettings record, which the window keeps
/// filled from its controls. The record changes only at creation, on Apply and on a load (the
/// similar-groups mode loads the preset of its accuracy level into it): moving a control alone
/// changes nothing the search reads. Save writes the controls to a settings property list, Load
/// reads one back; Apply, Save and Load are disabled while any session task runs, so the record
/// is never refilled while a search reads it.
///
/// Threading: main thread only. File panels run as window-modal sheets and do not block.
class KTDuplicatesSearchSettingsController : public QWidget
{
    Q_OBJECT
public:
    /// The curve the window starts with.
    static const QList<QPointF> &defaultWeakeningFactorPoints();

    /// The process's window, made on the first call.
    static KTDuplicatesSearchSettingsController &sharedController();

    /// A window following the task notifications of `center`.
    explicit KTDuplicatesSearchSettingsController(
        KTNotificationCenter &center = KTNotificationCenter::defaultCenter(), QWidget *parent = nullptr);
    ~KTDuplicatesSearchSettingsController() override;

    /// Shows the window and makes `sender` the apply delegate (it is told applySettings() when it
    /// implements KTDuplicatesSearchSettingsApplyDelegate). The window stays above the window it
    /// is opened from (the active window, else `sender`'s window when it is a widget) as its
    /// transient child; Escape closes it.
    void showWindow(QObject *sender);
    QObject *applyDelegate() const { return m_applyDelegate; }

    /// The record the search reads with manual settings: 384 bytes in their fixed form, padding
    /// and unused curve slots zero. Valid from creation on.
    const KTSearchSettings *searchSettingsPtr() const { return &m_searchSettings; }

    /// Sets every control from the settings property list at `path` and refills the record.
    /// A missing key reads as false, 0 or an empty curve. A file that is no dictionary, or that
    /// holds more than 20 curve points, changes nothing and returns false: for a bundled preset
    /// that is a programming error (asserted), for a user's file an alert says so.
    bool loadSettingsFromPath(const QString &path,
                              KTSettingsFileOrigin origin = KTSettingsFileOrigin::BundledPreset);

    /// The record the controls describe now (the record in force changes only as said above).
    KTSearchSettings settingsFromControls() const;
    /// Sets the controls (not the record) from `settings`.
    void setControlsFromSettings(const KTSearchSettings &settings);

    // The actions of the three buttons.
    /// Refills the record, then tells the apply delegate.
    void onApply();
    /// Asks for a file and writes the controls' settings there (an alert tells of a failed write).
    void onSave();
    /// Asks for a file and loads it as a user's file.
    void onLoad();

    /// Session tasks started and not yet finished.
    int startedTasksCount() const { return m_startedTasksCount; }

    // Values read from the controls now.
    unsigned imageSize() const;
    bool isUseBlur() const;
    double blurRadius() const;
    bool isUseHistEq() const;
    bool isUseContrastScretching() const;
    bool isUseColor() const;
    double colorSensitivity() const;
    bool isUseZone() const;
    double zoneSensitivity() const;
    double matchingLevel() const;
    double minimumMatchingLevel() const;
    /// The curve's points sorted by X.
    QList<QPointF> timeWeakeningFactorPoints() const;

    // The controls, for tests and the screens tool.
    KTValueSlider *imageSizeSlider() const { return m_imageSizeSlider; }
    KTValueSlider *blurRadiusSlider() const { return m_blurRadiusSlider; }
    KTValueSlider *colorSensitivitySlider() const { return m_colorSensitivitySlider; }
    KTValueSlider *zoneSensitivitySlider() const { return m_zoneSensitivitySlider; }
    KTValueSlider *matchingLevelSlider() const { return m_matchingLevelSlider; }
    KTValueSlider *minimumMatchingLevelSlider() const { return m_minimumMatchingLevelSlider; }
    QCheckBox *blurCheck() const { return m_blurCheck; }
    QCheckBox *histEqCheck() const { return m_histEqCheck; }
    QCheckBox *contrastScretchingCheck() const { return m_contrastScretchingCheck; }
    QCheckBox *colorCheck() const { return m_colorCheck; }
    QCheckBox *zoneCheck() const { return m_zoneCheck; }
    KTAbstractButton *applyButton() const { return m_applyButton; }
    KTAbstractButton *saveButton() const { return m_saveButton; }
    KTAbstractButton *loadButton() const { return m_loadButton; }
    KTTimeWeakeningFactorView *timeWeakeningFactorView() const { return m_timeWeakeningFactorView; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildInterface();
    void storeSettingsFromUI();
    void taskCountDidChange(int delta);
    /// An alert with `message`, `informative` and OK.
    void tellUser(const QString &message, const QString &informative);

    KTSearchSettings m_searchSettings;
    QPointer<QObject> m_applyDelegate;
    int m_startedTasksCount = 0;
    std::vector<KTObserverToken> m_observers;

    KTValueSlider *m_imageSizeSlider = nullptr;
    KTValueSlider *m_blurRadiusSlider = nullptr;
    KTValueSlider *m_colorSensitivitySlider = nullptr;
    KTValueSlider *m_zoneSensitivitySlider = nullptr;
    KTValueSlider *m_matchingLevelSlider = nullptr;
    KTValueSlider *m_minimumMatchingLevelSlider = nullptr;
    QCheckBox *m_blurCheck = nullptr;
    QCheckBox *m_histEqCheck = nullptr;
    QCheckBox *m_contrastScretchingCheck = nullptr;
    QCheckBox *m_colorCheck = nullptr;
    QCheckBox *m_zoneCheck = nullptr;
    KTAbstractButton *m_applyButton = nullptr;
    KTAbstractButton *m_saveButton = nullptr;
    KTAbstractButton *m_loadButton = nullptr;
    KTTimeWeakeningFactorView *m_timeWeakeningFactorView = nullptr;
};
