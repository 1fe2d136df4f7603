#include "KTFocusMaskSettingsController.h"

#include "KTAbstractButton.h"
#include "KTBinding.h"
#include "KTColor.h"
#include "KTDialogControls.h"
#include "KTFocusMaskDefaults.h"
#include "KTFont.h"
#include "KTNotificationCenter.h"
#include "KTUserDefaults.h"
#include "KTValueSlider.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QThread>
#include <QVBoxLayout>

namespace {

/// Stores `value` in `member` and shows it on `slider`; emits `changed` when it changed. The
/// slider's own change comes back here with the value already stored and stops.
template <class Value>
void assign(KTFocusMaskSettingsController *self, Value &member, Value value, KTValueSlider *slider,
            void (KTFocusMaskSettingsController::*changed)())
{
    if (member == value)
        return;
    member = value;
    if (slider)
        slider->setDoubleValue(double(value));
    emit(self->*changed)();
}

} // namespace

QVariantMap KTFocusMaskSettingsController::defaultValues()
{
    return KTFocusMaskDefaults::defaultValues();
}

KTFocusMaskSettingsController &KTFocusMaskSettingsController::sharedController()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    static auto *controller = new KTFocusMaskSettingsController(KTUserDefaults::standardUserDefaults());
    return *controller;
}

KTFocusMaskSettingsController::KTFocusMaskSettingsController(KTUserDefaults &defaults, QWidget *parent)
    : QWidget(parent, Qt::Window), m_defaults(defaults)
{
    setWindowTitle(tr("Focus Mask Settings"));
    const auto slider = [this](const std::function<void(double)> &set) {
        auto *result = new KTValueSlider(0.0, 1.0, 100, this);
        connect(result, &KTValueSlider::doubleValueChanged, this, set);
        return result;
    };
    m_thresholdSlider = slider([this](double v) { setFocusMaskThreshold(float(v)); });
    m_opacitySlider = slider([this](double v) { setFocusMaskOpacity(float(v)); });
    m_radius1Slider = slider([this](double v) { setFocusMaskRadius1(float(v)); });
    m_radius2Slider = slider([this](double v) { setFocusMaskRadius2(float(v)); });
    m_regionSizeSlider = slider([this](double v) { setFocusMaskRegionSize(v); });
    m_resetButton = ktPushButton(tr("Reset"), this);
    m_applyButton = ktPushButton(tr("Apply"), this);
    connect(m_resetButton, &KTControl::clicked, this, &KTFocusMaskSettingsController::onReset);
    connect(m_applyButton, &KTControl::clicked, this, &KTFocusMaskSettingsController::onApply);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 16);
    column->setSpacing(8);
    column->addWidget(ktSectionCaption(tr("Focus mask"), this));
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    grid->setColumnMinimumWidth(0, 150);
    grid->setColumnMinimumWidth(1, 200);
    grid->setColumnStretch(1, 1);
    const auto row = [&](int index, const QString &title, KTValueSlider *control) {
        ktAddSliderRow(grid, index, ktDialogLabel(title, ktBodyFont(), KTPalette::kText, this), control,
                       [](double v) { return QString::number(v, 'f', 2); });
    };
    row(0, tr("Sharpness threshold"), m_thresholdSlider);
    row(1, tr("Fine detail radius"), m_radius1Slider);
    row(2, tr("Coarse detail radius"), m_radius2Slider);
    row(3, tr("Focus region size"), m_regionSizeSlider);
    row(4, tr("Mask opacity"), m_opacitySlider);
    column->addLayout(grid);
    auto *hint = ktDialogLabel(tr("Changes are kept at once; Apply redraws the masks on screen."),
                               ktSmallFont(), KTPalette::kSecondaryText, this);
    hint->setWordWrap(true);
    column->addWidget(hint);
    column->addSpacing(8);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_resetButton);
    buttons->addStretch(1);
    buttons->addWidget(m_applyButton);
    column->addLayout(buttons);
    adjustSize();

    for (const QString &key : defaultValues().keys())
        bindPropertyToDefaultsKey(this, key, m_defaults);
}

KTFocusMaskSettingsController::~KTFocusMaskSettingsController() = default;

void KTFocusMaskSettingsController::setFocusMaskThreshold(float value)
{
    assign(this, m_threshold, value, m_thresholdSlider,
           &KTFocusMaskSettingsController::focusMaskThresholdChanged);
}

void KTFocusMaskSettingsController::setFocusMaskOpacity(float value)
{
    assign(this, m_opacity, value, m_opacitySlider, &KTFocusMaskSettingsController::focusMaskOpacityChanged);
}

void KTFocusMaskSettingsController::setFocusMaskRadius1(float value)
{
    assign(this, m_radius1, value, m_radius1Slider, &KTFocusMaskSettingsController::focusMaskRadius1Changed);
}

void KTFocusMaskSettingsController::setFocusMaskRadius2(float value)
{
    assign(this, m_radius2, value, m_radius2Slider, &KTFocusMaskSettingsController::focusMaskRadius2Changed);
}

void KTFocusMaskSettingsController::setFocusMaskRegionSize(double value)
{
    assign(this, m_regionSize, value, m_regionSizeSlider,
           &KTFocusMaskSettingsController::focusMaskRegionSizeChanged);
}

void KTFocusMaskSettingsController::onApply()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    close();
    KTNotificationCenter::defaultCenter().post(kReloadFocusMaskNotificationName);
}

void KTFocusMaskSettingsController::onReset()
{
    const QVariantMap values = defaultValues();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        m_defaults.setObject(it.value(), it.key());
}

void KTFocusMaskSettingsController::paintEvent(QPaintEvent *)
{
    ktFillWindowBackground(this);
}
