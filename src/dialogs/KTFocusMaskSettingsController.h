#pragma once

#include <QString>
#include <QVariantMap>
#include <QWidget>

class KTAbstractButton;
class KTUserDefaults;
class KTValueSlider;

/// The focus-mask settings window: five sliders bound both ways to the focus-mask user defaults
/// (KTFocusMaskDefaults), so a move is stored at once and the next mask computed uses it. Reset
/// returns the five values to their defaults; Apply closes the window and posts
/// kReloadFocusMaskNotificationName (KTFocusMaskDefaults.h), on which every view that shows a
/// mask recomputes it. Closing without Apply keeps the values stored, without a broadcast.
///
/// The defaults themselves are registered at start-up (KTFocusMaskDefaults::registerDefaults), so
/// readers find them even if this window never opens.
///
/// Threading: main thread only.
class KTFocusMaskSettingsController : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(float focusMaskThreshold READ focusMaskThreshold WRITE setFocusMaskThreshold NOTIFY
                   focusMaskThresholdChanged)
    Q_PROPERTY(
        float focusMaskOpacity READ focusMaskOpacity WRITE setFocusMaskOpacity NOTIFY focusMaskOpacityChanged)
    Q_PROPERTY(
        float focusMaskRadius1 READ focusMaskRadius1 WRITE setFocusMaskRadius1 NOTIFY focusMaskRadius1Changed)
    Q_PROPERTY(
        float focusMaskRadius2 READ focusMaskRadius2 WRITE setFocusMaskRadius2 NOTIFY focusMaskRadius2Changed)
    Q_PROPERTY(double focusMaskRegionSize READ focusMaskRegionSize WRITE setFocusMaskRegionSize NOTIFY
                   focusMaskRegionSizeChanged)
public:
    /// The five keys and the values Reset returns to.
    static QVariantMap defaultValues();

    /// The process's window, on the standard user defaults, made on the first call.
    static KTFocusMaskSettingsController &sharedController();

    /// A window bound to `defaults`.
    explicit KTFocusMaskSettingsController(KTUserDefaults &defaults, QWidget *parent = nullptr);
    ~KTFocusMaskSettingsController() override;

    /// Closes the window, then posts kReloadFocusMaskNotificationName once.
    void onApply();
    /// Stores the default of each of the five keys; the sliders follow. Nothing is recomputed
    /// until Apply.
    void onReset();

    float focusMaskThreshold() const { return m_threshold; }
    void setFocusMaskThreshold(float value);
    float focusMaskOpacity() const { return m_opacity; }
    void setFocusMaskOpacity(float value);
    float focusMaskRadius1() const { return m_radius1; }
    void setFocusMaskRadius1(float value);
    float focusMaskRadius2() const { return m_radius2; }
    void setFocusMaskRadius2(float value);
    double focusMaskRegionSize() const { return m_regionSize; }
    void setFocusMaskRegionSize(double value);

    KTValueSlider *thresholdSlider() const { return m_thresholdSlider; }
    KTValueSlider *opacitySlider() const { return m_opacitySlider; }
    KTValueSlider *radius1Slider() const { return m_radius1Slider; }
    KTValueSlider *radius2Slider() const { return m_radius2Slider; }
    KTValueSlider *regionSizeSlider() const { return m_regionSizeSlider; }
    KTAbstractButton *applyButton() const { return m_applyButton; }
    KTAbstractButton *resetButton() const { return m_resetButton; }

signals:
    void focusMaskThresholdChanged();
    void focusMaskOpacityChanged();
    void focusMaskRadius1Changed();
    void focusMaskRadius2Changed();
    void focusMaskRegionSizeChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    KTUserDefaults &m_defaults;
    float m_threshold = 0;
    float m_opacity = 0;
    float m_radius1 = 0;
    float m_radius2 = 0;
    double m_regionSize = 0;
    KTValueSlider *m_thresholdSlider = nullptr;
    KTValueSlider *m_opacitySlider = nullptr;
    KTValueSlider *m_radius1Slider = nullptr;
    KTValueSlider *m_radius2Slider = nullptr;
    KTValueSlider *m_regionSizeSlider = nullptr;
    KTAbstractButton *m_applyButton = nullptr;
    KTAbstractButton *m_resetButton = nullptr;
};
