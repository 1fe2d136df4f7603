#include "KTDuplicatesSearchSettingsController.h"

#include "KTAbstractButton.h"
#include "KTAlert.h"
#include "KTColor.h"
#include "KTDialogControls.h"
#include "KTDuplicatesSearchSettingsApplyDelegate.h"
#include "KTFont.h"
#include "KTOpenPanel.h"
#include "KTPropertyList.h"
#include "KTSavePanel.h"
#include "KTTaskNotifications.h"
#include "KTTimeWeakeningFactorView.h"
#include "KTValueSlider.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

const QList<QPointF> &KTDuplicatesSearchSettingsController::defaultWeakeningFactorPoints()
{
    static const QList<QPointF> points{{0.0, 0.5}, {0.03, 0.6}, {0.17, 0.7}, {0.33, 0.8}, {1.0, 1.0}};
    return points;
}

KTDuplicatesSearchSettingsController &KTDuplicatesSearchSettingsController::sharedController()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    static auto *controller = new KTDuplicatesSearchSettingsController;
    return *controller;
}

KTDuplicatesSearchSettingsController::KTDuplicatesSearchSettingsController(KTNotificationCenter &center,
                                                                           QWidget *parent)
    // A dialog for the window system: X11 window managers keep only dialogs (not plain windows)
    // above their transient parent.
    : QWidget(parent, Qt::Dialog)
{
    setWindowTitle(tr("Similarity Search Settings"));
    buildInterface();
    m_timeWeakeningFactorView->setWeakeningFactorPoints(defaultWeakeningFactorPoints());
    storeSettingsFromUI();
    m_observers.push_back(center.addObserver(KTTaskDidStartInfo::name(), nullptr,
                                             [this](const KTNotification &) { taskCountDidChange(+1); }));
    m_observers.push_back(center.addObserver(KTTaskDidFinishInfo::name(), nullptr,
                                             [this](const KTNotification &) { taskCountDidChange(-1); }));
}

KTDuplicatesSearchSettingsController::~KTDuplicatesSearchSettingsController() = default;

void KTDuplicatesSearchSettingsController::buildInterface()
{
    // The ranges hold every value the presets use; the knob's steps are those a user can tell apart.
    m_imageSizeSlider = new KTValueSlider(1, KTSearchSettings::kMaxImageSize / 2,
                                          KTSearchSettings::kMaxImageSize / 2 - 1, this);
    m_blurRadiusSlider = new KTValueSlider(0, 10, 100, this);
    m_colorSensitivitySlider = new KTValueSlider(0, 100, 100, this);
    m_zoneSensitivitySlider = new KTValueSlider(0, 1, 100, this);
    m_matchingLevelSlider = new KTValueSlider(0, 100, 200, this);
    m_minimumMatchingLevelSlider = new KTValueSlider(0, 100, 200, this);
    m_blurCheck = ktCheckBox(tr("Blur"), this);
    m_histEqCheck = ktCheckBox(tr("Histogram equalisation"), this);
    m_contrastScretchingCheck = ktCheckBox(tr("Contrast stretching"), this);
    m_colorCheck = ktCheckBox(tr("Colour"), this);
    m_zoneCheck = ktCheckBox(tr("Zones"), this);
    m_timeWeakeningFactorView = new KTTimeWeakeningFactorView(this);
    m_timeWeakeningFactorView->setMinimumSize(m_timeWeakeningFactorView->sizeHint());
    m_applyButton = ktPushButton(tr("Apply"), this);
    m_saveButton = ktPushButton(tr("Save…"), this);
    m_loadButton = ktPushButton(tr("Load…"), this);
    connect(m_applyButton, &KTControl::clicked, this, &KTDuplicatesSearchSettingsController::onApply);
    connect(m_saveButton, &KTControl::clicked, this, &KTDuplicatesSearchSettingsController::onSave);
    connect(m_loadButton, &KTControl::clicked, this, &KTDuplicatesSearchSettingsController::onLoad);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 16);
    column->setSpacing(8);
    // One grid for both groups of sliders, so their columns line up.
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->setColumnMinimumWidth(0, 170);
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);
    int row = 0;
    const auto section = [&](const QString &title) {
        if (row > 0)
            grid->setRowMinimumHeight(row++, 6);
        grid->addWidget(ktSectionCaption(title, this), row++, 0, 1, 3);
    };
    const auto text = [this](const QString &title) {
        return ktDialogLabel(title, ktBodyFont(), KTPalette::kText, this);
    };
    const auto percent = [](double v) { return tr("%1 %").arg(number(v, 1)); };

    section(tr("Image signature"));
    ktAddSliderRow(grid, row++, text(tr("Picture size")), m_imageSizeSlider,
                   [](double v) { return tr("%1 px").arg(int(v) * 2); });
    ktAddSliderRow(grid, row++, m_blurCheck, m_blurRadiusSlider, [](double v) { return number(v, 1); });
    grid->addWidget(m_histEqCheck, row++, 0, 1, 3);
    grid->addWidget(m_contrastScretchingCheck, row++, 0, 1, 3);
    ktAddSliderRow(grid, row++, m_colorCheck, m_colorSensitivitySlider,
                   [](double v) { return number(v, 0); });
    ktAddSliderRow(grid, row++, m_zoneCheck, m_zoneSensitivitySlider, [](double v) { return number(v, 2); });
    section(tr("Matching"));
    ktAddSliderRow(grid, row++, text(tr("Matching level")), m_matchingLevelSlider, percent);
    ktAddSliderRow(grid, row++, text(tr("Minimum matching level")), m_minimumMatchingLevelSlider, percent);

    column->addSpacing(4);
    column->addWidget(ktSectionCaption(tr("Weakening by time between shots"), this));
    column->addWidget(m_timeWeakeningFactorView, 1);
    auto *hint =
        ktDialogLabel(tr("Across: the time between two shots, up to 15 minutes. Up: the factor on the "
                         "matching level at that time. Click to add a point, drag to move it, "
                         "right-click to remove it."),
                      ktSmallFont(), KTPalette::kSecondaryText, this);
    hint->setWordWrap(true);
    column->addWidget(hint);

    column->addSpacing(8);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_loadButton);
    buttons->addWidget(m_saveButton);
    buttons->addStretch(1);
    buttons->addWidget(m_applyButton);
    column->addLayout(buttons);

    // The values of the "normal" preset; the similar-groups mode loads the preset in force.
    m_imageSizeSlider->setDoubleValue(16);
    m_blurCheck->setChecked(true);
    m_blurRadiusSlider->setDoubleValue(3);
    m_contrastScretchingCheck->setChecked(true);
    m_colorCheck->setChecked(true);
    m_colorSensitivitySlider->setDoubleValue(30);
    m_zoneSensitivitySlider->setDoubleValue(0.5);
    m_matchingLevelSlider->setDoubleValue(88);
    m_minimumMatchingLevelSlider->setDoubleValue(60);
    setMinimumWidth(460);
    adjustSize();
}

void KTDuplicatesSearchSettingsController::paintEvent(QPaintEvent *)
{
    ktFillWindowBackground(this);
}

void KTDuplicatesSearchSettingsController::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void KTDuplicatesSearchSettingsController::showWindow(QObject *sender)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    m_applyDelegate = sender;
    // A transient child of the window it is opened from, so the window system keeps it above that
    // window; a pop-over it may be opened from stands for the window it pops over.
    QWidget *over = QApplication::activeWindow();
    if (!over || over == this) {
        auto *widget = qobject_cast<QWidget *>(sender);
        over = widget ? widget->window() : nullptr;
    }
    while (over && over->parentWidget())
        over = over->parentWidget()->window();
    if (over && over != this) {
        winId();
        if (QWindow *handle = windowHandle())
            handle->setTransientParent(over->windowHandle());
    }
    show();
    raise();
    activateWindow();
}

unsigned KTDuplicatesSearchSettingsController::imageSize() const
{
    return unsigned(std::max(0, int(m_imageSizeSlider->doubleValue()))) * 2;
}

bool KTDuplicatesSearchSettingsController::isUseBlur() const
{
    return m_blurCheck->isChecked();
}

double KTDuplicatesSearchSettingsController::blurRadius() const
{
    return m_blurRadiusSlider->doubleValue();
}

bool KTDuplicatesSearchSettingsController::isUseHistEq() const
{
    return m_histEqCheck->isChecked();
}

bool KTDuplicatesSearchSettingsController::isUseContrastScretching() const
{
    return m_contrastScretchingCheck->isChecked();
}

bool KTDuplicatesSearchSettingsController::isUseColor() const
{
    return m_colorCheck->isChecked();
}

double KTDuplicatesSearchSettingsController::colorSensitivity() const
{
    return m_colorSensitivitySlider->doubleValue();
}

bool KTDuplicatesSearchSettingsController::isUseZone() const
{
    return m_zoneCheck->isChecked();
}

double KTDuplicatesSearchSettingsController::zoneSensitivity() const
{
    return m_zoneSensitivitySlider->doubleValue();
}

double KTDuplicatesSearchSettingsController::matchingLevel() const
{
    return m_matchingLevelSlider->doubleValue();
}

double KTDuplicatesSearchSettingsController::minimumMatchingLevel() const
{
    return m_minimumMatchingLevelSlider->doubleValue();
}

QList<QPointF> KTDuplicatesSearchSettingsController::timeWeakeningFactorPoints() const
{
    return m_timeWeakeningFactorView->weakeningFactorPoints();
}

KTSearchSettings KTDuplicatesSearchSettingsController::settingsFromControls() const
{
    // Value-initialised: every field and curve slot not set below is zero.
    KTSearchSettings settings{};
    settings.imageSize = int32_t(imageSize());
    settings.isUseHistEq = isUseHistEq();
    settings.isUseContrastScretching = isUseContrastScretching();
    settings.isUseBlur = isUseBlur();
    settings.isUseColor = isUseColor();
    settings.isUseZone = isUseZone();
    settings.blurRadius = blurRadius();
    settings.colorSensitivity = colorSensitivity();
    settings.zoneSensitivity = zoneSensitivity();
    settings.overalMatchingLevel = matchingLevel();
    settings.minimumMatchingLevel = minimumMatchingLevel();
    // The editor holds at most as many points as the record.
    const QList<QPointF> points = timeWeakeningFactorPoints();
    settings.weakCount = int32_t(std::min<qsizetype>(points.size(), KTSearchSettings::kMaxWeakPoints));
    for (int i = 0; i < settings.weakCount; ++i) {
        settings.weakTimeRanges[i] = points[i].x();
        settings.weakTimeKoeff[i] = points[i].y();
    }
    return settings;
}

void KTDuplicatesSearchSettingsController::setControlsFromSettings(const KTSearchSettings &settings)
{
    m_imageSizeSlider->setDoubleValue(settings.imageSize / 2);
    m_blurCheck->setChecked(settings.isUseBlur);
    m_blurRadiusSlider->setDoubleValue(settings.blurRadius);
    m_histEqCheck->setChecked(settings.isUseHistEq);
    m_contrastScretchingCheck->setChecked(settings.isUseContrastScretching);
    m_colorCheck->setChecked(settings.isUseColor);
    m_colorSensitivitySlider->setDoubleValue(settings.colorSensitivity);
    m_zoneCheck->setChecked(settings.isUseZone);
    m_zoneSensitivitySlider->setDoubleValue(settings.zoneSensitivity);
    m_matchingLevelSlider->setDoubleValue(settings.overalMatchingLevel);
    m_minimumMatchingLevelSlider->setDoubleValue(settings.minimumMatchingLevel);
    QList<QPointF> points;
    for (int i = 0; i < settings.clampedWeakCount(); ++i)
        points.append(QPointF(settings.weakTimeRanges[i], settings.weakTimeKoeff[i]));
    m_timeWeakeningFactorView->setWeakeningFactorPoints(points);
}

void KTDuplicatesSearchSettingsController::storeSettingsFromUI()
{
    m_searchSettings = settingsFromControls();
}

bool KTDuplicatesSearchSettingsController::loadSettingsFromPath(const QString &path,
                                                                KTSettingsFileOrigin origin)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    Q_ASSERT_X(!path.isEmpty(), "loadSettingsFromPath", "Nil URL");
    const std::optional<QVariant> root = KTPropertyList::readFile(path);
    if (!root || root->typeId() != QMetaType::QVariantMap) {
        if (origin == KTSettingsFileOrigin::BundledPreset) {
            Q_ASSERT_X(false, "loadSettingsFromPath",
                       qPrintable(QStringLiteral("Failed to initialize dictionary from URL %1").arg(path)));
            return false;
        }
        tellUser(tr("The settings in “%1” cannot be loaded.").arg(QFileInfo(path).fileName()),
                 tr("It is not a settings file: it holds no settings dictionary. The settings in force are "
                    "kept."));
        return false;
    }
    const std::unique_ptr<KTSearchSettings> settings = settingsFromPropertyList(root->toMap());
    if (!settings) {
        Q_ASSERT_X(origin == KTSettingsFileOrigin::UserFile, "loadSettingsFromPath",
                   "A preset holds more time-weakening points than a record");
        tellUser(tr("The settings in “%1” cannot be loaded.").arg(QFileInfo(path).fileName()),
                 tr("Its time-weakening curve has more than %1 points. The settings in force are kept.")
                     .arg(KTSearchSettings::kMaxWeakPoints));
        return false;
    }
    setControlsFromSettings(*settings);
    storeSettingsFromUI();
    return true;
}

void KTDuplicatesSearchSettingsController::tellUser(const QString &message, const QString &informative)
{
    KTAlert alert;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = {tr("OK")};
    KTAlertPresenter::shared().runModal(alert);
}

void KTDuplicatesSearchSettingsController::onApply()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    storeSettingsFromUI();
    if (auto *delegate = dynamic_cast<KTDuplicatesSearchSettingsApplyDelegate *>(m_applyDelegate.data()))
        delegate->applySettings();
}

void KTDuplicatesSearchSettingsController::onSave()
{
    KTSavePanelOptions options;
    options.title = tr("Save Search Settings");
    options.suggestedName = tr("Search Settings.plist");
    options.defaultSuffix = QStringLiteral("plist");
    options.nameFilters = {tr("Search settings (*.plist)")};
    const QPointer<KTDuplicatesSearchSettingsController> self(this);
    KTSavePanelPresenter::shared().beginSheet(this, options, [self](const QString &path) {
        if (!self || path.isEmpty())
            return;
        // The controls as they are now, not the record in force.
        if (saveSettingsToFile(self->settingsFromControls(), path))
            return;
        self->tellUser(tr("The settings could not be saved to “%1”.").arg(QFileInfo(path).fileName()),
                       tr("Check that the folder exists and can be written to, then save again."));
    });
}

void KTDuplicatesSearchSettingsController::onLoad()
{
    KTOpenPanelOptions options;
    options.title = tr("Load Search Settings");
    options.prompt = tr("Load");
    const QPointer<KTDuplicatesSearchSettingsController> self(this);
    KTOpenPanelPresenter::shared().beginSheet(this, options, [self](const QStringList &paths) {
        if (!self || paths.isEmpty())
            return;
        // A task may have started while the panel was up: the record must not change under it.
        if (self->m_startedTasksCount > 0) {
            self->tellUser(tr("The settings were not loaded."),
                           tr("They cannot change while the images are being loaded or compared. Load them "
                              "again when the work has finished."));
            return;
        }
        self->loadSettingsFromPath(paths.first(), KTSettingsFileOrigin::UserFile);
    });
}

void KTDuplicatesSearchSettingsController::taskCountDidChange(int delta)
{
    m_startedTasksCount = std::max(0, m_startedTasksCount + delta);
    const bool idle = m_startedTasksCount == 0;
    m_applyButton->setButtonEnabled(idle);
    m_saveButton->setButtonEnabled(idle);
    m_loadButton->setButtonEnabled(idle);
}
