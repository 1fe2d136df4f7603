#include "KTBaseUIModeController.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTBindingSource.h"
#include "KTBinding.h"
#include "KTButton.h"
#include "KTExifViewController.h"
#include "KTGridScrollView.h"
#include "KTGridServices.h"
#include "KTImageExifView.h"
#include "KTImageInfoView.h"
#include "KTImageListView.h"
#include "KTImageMO.h"
#include "KTImageNavigationView.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTImageViewServices.h"
#include "KTKeyEquivalent.h"
#include "KTLevelIndicator.h"
#include "KTMenuPresenter.h"
#include "KTModeToolbar.h"
#include "KTNamedImages.h"
#include "KTResizablePopUpButton.h"
#include "KTShareMenu.h"
#include "KTSortDescriptor.h"
#include "KTUserDefaults.h"
#include "KTZoomProtocol.h"
#include "KTZoomSlider.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QResizeEvent>
#include <QThread>
#include <QTimer>

#include <cmath>

namespace {

KTUserDefaults *s_userDefaults = nullptr;

KTBaseUIModeController::FolderPanel &folderPanelStorage()
{
    static KTBaseUIModeController::FolderPanel s_panel;
    return s_panel;
}

/// The folder panel as a sheet on `window`: folders only, one of them, new folders allowed.
void runFolderPanel(QWidget *window, qsizetype count, bool moving,
                    std::function<void(const QString &)> completion)
{
    const QString title = moving ? KTBaseUIModeController::tr("Move %n Images to Folder", "", int(count))
                                 : KTBaseUIModeController::tr("Copy %n Images to Folder", "", int(count));
    auto *dialog = new QFileDialog(window, title);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setLabelText(QFileDialog::Accept,
                         moving ? KTBaseUIModeController::tr("Move") : KTBaseUIModeController::tr("Copy"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(
        dialog, &QFileDialog::finished, dialog, [dialog, completion = std::move(completion)](int result) {
            completion(result == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString());
        });
    dialog->open();
}

// The secondary sort keys, in their fixed order.
const QStringList &sortKeys()
{
    static const QStringList s_keys{QStringLiteral("name"), QStringLiteral("creationDate"),
                                    QStringLiteral("size"), QStringLiteral("resolveDate"),
                                    QStringLiteral("modificationDate")};
    return s_keys;
}

const QString kResolveDateKey = QStringLiteral("resolveDate");

// Setting names.
const QString kImageListZoomKey = QStringLiteral("imageListZoom");
const QString kIsNavigationBarVisibleKey = QStringLiteral("isNavigationBarVisible");
const QString kIsExifPanelVisibleKey = QStringLiteral("isExifPanelVisible");
const QString kShowsExposurePixelsKey = QStringLiteral("showsExposurePixels");
const QString kSortKeyKey = QStringLiteral("sortKey");
const QString kSortOrderKey = QStringLiteral("sortOrder");
const QString kIsZoomLockKey = QStringLiteral("isZoomLock");
const QString kUIModeKey = QStringLiteral("UIMode");

// Tags of the zoom pop-up's items.
enum ZoomTag
{
    kZoom50 = 0,
    kZoomActualSize = 1,
    kZoom200 = 2,
    kZoom400 = 3,
    kZoomFit = 4,
};

/// The on state of a toggle: a framework button's pushed state, else the control's own state.
bool senderState(QObject *sender)
{
    if (auto *framework = qobject_cast<KTAbstractButton *>(sender))
        return framework->isPushed();
    if (auto *bitmap = qobject_cast<KTButton *>(sender))
        return bitmap->state() == 1;
    if (auto *platform = qobject_cast<QAbstractButton *>(sender))
        return platform->isChecked();
    if (auto *action = qobject_cast<QAction *>(sender))
        return action->isChecked();
    return false;
}

/// An image stretched over the whole widget along both axes; lets the mouse through.
class StretchedImageView : public QWidget
{
public:
    StretchedImageView(const QImage &image, QWidget *parent) : QWidget(parent), m_image(image)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    int imageHeight() const { return int(std::ceil(m_image.deviceIndependentSize().height())); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_image);
    }

private:
    QImage m_image;
};

bool isTextInput(QObject *object)
{
    return qobject_cast<QLineEdit *>(object) || qobject_cast<QTextEdit *>(object) ||
           qobject_cast<QPlainTextEdit *>(object);
}

} // namespace

KTBaseUIModeController::KTBaseUIModeController(QObject *parent) : QObject(parent) {}

KTBaseUIModeController::~KTBaseUIModeController()
{
    destroyView();
}

KTUserDefaults &KTBaseUIModeController::userDefaults()
{
    return s_userDefaults ? *s_userDefaults : KTUserDefaults::standardUserDefaults();
}

void KTBaseUIModeController::setUserDefaults(KTUserDefaults *defaults)
{
    s_userDefaults = defaults;
}

void KTBaseUIModeController::setFolderPanel(FolderPanel panel)
{
    folderPanelStorage() = std::move(panel);
}

// ---- Set-up ----

QWidget *KTBaseUIModeController::view() const
{
    return m_view;
}

void KTBaseUIModeController::setLoadingThumbnailsQueue(KTOperationQueue *queue)
{
    m_loadingThumbnailsQueue = queue;
}

void KTBaseUIModeController::setModeButton(KTButton *button)
{
    if (m_modeButton == button)
        return;
    m_modeButton = button;
    updateModeButtonBadge();
}

KTButton *KTBaseUIModeController::modeButton() const
{
    return m_modeButton;
}

void KTBaseUIModeController::setShowPixelsButton(KTAbstractButton *button)
{
    m_showPixelsButton = button;
}

void KTBaseUIModeController::setShowFocusMaskButton(KTAbstractButton *button)
{
    m_showFocusMaskButton = button;
}

KTAbstractButton *KTBaseUIModeController::showPixelsButton() const
{
    return m_showPixelsButton;
}

KTAbstractButton *KTBaseUIModeController::showFocusMaskButton() const
{
    return m_showFocusMaskButton;
}

void KTBaseUIModeController::setImageStorage(KTImageStorage *storage)
{
    m_imageStorage = storage;
}

KTImageStorage *KTBaseUIModeController::imageStorage() const
{
    return m_imageStorage;
}

void KTBaseUIModeController::setDelegate(KTBaseUIModeControllerDelegate *delegate)
{
    m_delegate = delegate;
}

QString KTBaseUIModeController::modeID() const
{
    Q_ASSERT_X(false, "modeID",
               qPrintable(QStringLiteral("%1 should be implemented by inherited class.")
                              .arg(QString::fromLatin1(metaObject()->className()))));
    return {};
}

// ---- Sub-modes ----

QString KTBaseUIModeController::UIMode() const
{
    return m_UIMode;
}

void KTBaseUIModeController::setUIMode(const QString &mode)
{
    if (mode == m_UIMode)
        return;
    m_UIMode = mode;
    saveDefaultsValue(mode, kUIModeKey);
    if (m_infoView)
        m_infoView->setUIMode(mode);
    if (m_delegate)
        m_delegate->controllerDidChangeUIMode(this);
}

void KTBaseUIModeController::switchToUIMode(const QString &mode)
{
    setUIMode(mode);
    adjustUI();
}

bool KTBaseUIModeController::canSwitchToUIMode(const QString &) const
{
    return true;
}

void KTBaseUIModeController::adjustUI() {}

// ---- Images and selection ----

QList<KTImageMO *> KTBaseUIModeController::images() const
{
    return m_images;
}

void KTBaseUIModeController::setImages(const QList<KTImageMO *> &images)
{
    m_images = images;
}

void KTBaseUIModeController::setSelectedImagesIndexes(const std::set<qsizetype> &indexes)
{
    m_selectedImagesIndexes = indexes;
}

void KTBaseUIModeController::setActiveImageIndex(std::optional<qsizetype> index)
{
    m_activeImageIndex = index;
}

void KTBaseUIModeController::setSelectedGroupIndex(std::optional<qsizetype> index)
{
    m_selectedGroupIndex = index;
}

void KTBaseUIModeController::enumerateSelectedImagesUsingBlock(
    const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block)
{
    if (!block)
        return;
    const QList<KTImageMO *> list = images();
    bool stop = false;
    for (qsizetype index : m_selectedImagesIndexes) {
        if (index < 0 || index >= list.size())
            continue;
        block(list.at(index), m_activeImageIndex == index, stop);
        if (stop)
            break;
    }
}

void KTBaseUIModeController::enumerateImagesInArray(
    const QList<KTImageMO *> &array, const std::function<void(KTImageMO *image, bool &stop)> &block)
{
    if (!block)
        return;
    bool stop = false;
    for (KTImageMO *image : array) {
        block(image, stop);
        if (stop)
            break;
    }
}

void KTBaseUIModeController::enumerateImagesUsingBlock(
    const std::function<void(KTImageMO *image, bool &stop)> &block)
{
    enumerateImagesInArray(images(), block);
}

KTImageMO *KTBaseUIModeController::activeImageMO() const
{
    const QList<KTImageMO *> list = images();
    if (!m_activeImageIndex || *m_activeImageIndex < 0 || *m_activeImageIndex >= list.size())
        return nullptr;
    return list.at(*m_activeImageIndex);
}

void KTBaseUIModeController::selectAllImagesInGroup()
{
    if (KTImageListView *list = listForSelectionCommand(QStringLiteral("selectAllImagesInGroup"))) {
        list->selectAllImages();
        imageListViewSelectionDidChange(list);
    }
}

void KTBaseUIModeController::deselectAllImagesInGroup()
{
    if (KTImageListView *list = listForSelectionCommand(QStringLiteral("deselectAllImagesInGroup"))) {
        list->deselectAllImages();
        imageListViewSelectionDidChange(list);
    }
}

KTImageListView *KTBaseUIModeController::listForSelectionCommand(const QString &) const
{
    return nullptr;
}

void KTBaseUIModeController::logUnexpectedUIMode(const QString &command) const
{
    qWarning().noquote() << QStringLiteral("Unexpected UIMode %1 for %2").arg(UIMode(), command);
}

void KTBaseUIModeController::notifyImagesListDidChange()
{
    if (m_delegate)
        m_delegate->imagesListDidChange(this);
}

void KTBaseUIModeController::saveSelections()
{
    const QString className = QString::fromLatin1(metaObject()->className());
    KTUserDefaults &defaults = userDefaults();
    defaults.setObject(qint64(m_selectedGroupIndex.value_or(-1)),
                       QStringLiteral("kRestoredGroupIdx_") + className);
    defaults.synchronize();
    defaults.setObject(qint64(m_activeImageIndex.value_or(-1)),
                       QStringLiteral("kRestoredImageIdx_") + className);
    defaults.synchronize();
}

void KTBaseUIModeController::restoreAppLastLaunchSelection()
{
    const QString className = QString::fromLatin1(metaObject()->className());
    const auto stored = [](const QVariant &value) -> std::optional<qsizetype> {
        if (!value.isValid())
            return 0;
        bool ok = false;
        const qint64 index = value.toLongLong(&ok);
        if (!ok || index < 0)
            return std::nullopt;
        return qsizetype(index);
    };
    KTUserDefaults &defaults = userDefaults();
    setSelectedGroupIndex(stored(defaults.objectForKey(QStringLiteral("kRestoredGroupIdx_") + className)));
    setActiveImageIndex(stored(defaults.objectForKey(QStringLiteral("kRestoredImageIdx_") + className)));
    if (m_activeImageIndex)
        setSelectedImagesIndexes({*m_activeImageIndex});
}

// ---- Life cycle ----

void KTBaseUIModeController::initialize()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    observeZoomChanging();
    registerDefaults();
    bindDefaultsValues();
    setUpRatingIndicator();
    setUpBottomToolBarShadow();
    Q_ASSERT_X(m_view, "initialize", "View is nil");
    if (m_view)
        m_view->installEventFilter(this);
    // Key presses aimed at the mode's widgets reach the mode first (see performKeyEquivalent()).
    qApp->installEventFilter(this);
    if (m_imageView) {
        m_imageView->setShowsPickedAndRejectedButtons(false);
        m_imageView->installEventFilter(this);
    }
    KTImageViewServices services;
    services.entitiesManager = &KTGridServices::entitiesManager();
    m_exifViewController = std::make_unique<KTExifViewController>(services);
    if (!m_exifPanel)
        m_exifPanel = m_exifViewController->exifView();
    m_initialized = true;
}

void KTBaseUIModeController::registerDefaults()
{
    userDefaults().registerDefaults({
        {kImageListZoomKey, kMinZoomSliderValue},
        {defaultsKeyPathForKey(kIsNavigationBarVisibleKey), true},
        {kIsExifPanelVisibleKey, false},
        {kShowsExposurePixelsKey, false},
        {defaultsKeyPathForKey(kSortKeyKey), QStringLiteral("creationDate")},
        {defaultsKeyPathForKey(kSortOrderKey), true},
        {defaultsKeyPathForKey(kIsZoomLockKey), false},
    });
}

void KTBaseUIModeController::bindSharedDefault(const QString &name,
                                               std::function<void(const QVariant &value)> apply)
{
    KTUserDefaults &defaults = userDefaults();
    const auto pull = [&defaults, name, apply = std::move(apply)] {
        const QVariant value = defaults.objectForKey(name);
        if (value.isValid())
            apply(value);
    };
    pull();
    defaults.observeKey(name, this, pull);
}

void KTBaseUIModeController::bindPerModeDefault(const QString &name,
                                                std::function<void(const QVariant &value)> apply)
{
    bindSharedDefault(defaultsKeyPathForKey(name), std::move(apply));
}

void KTBaseUIModeController::bindDefaultsValues()
{
    bindSharedDefault(kImageListZoomKey,
                      [this](const QVariant &value) { setImageListZoom(value.toDouble()); });
    bindPerModeDefault(kIsNavigationBarVisibleKey,
                       [this](const QVariant &value) { setIsNavigationBarVisible(value.toBool()); });
    bindSharedDefault(kIsExifPanelVisibleKey,
                      [this](const QVariant &value) { setIsExifPanelVisible(value.toBool()); });
    bindSharedDefault(kShowsExposurePixelsKey, [this](const QVariant &value) {
        if (value.toBool() != m_showsExposurePixels)
            setShowsExposurePixels(value.toBool());
    });
    bindPerModeDefault(kSortKeyKey, [this](const QVariant &value) { setSortKey(value.toString()); });
    bindPerModeDefault(kSortOrderKey, [this](const QVariant &value) { setSortOrder(value.toBool()); });
    bindPerModeDefault(kIsZoomLockKey, [this](const QVariant &value) { setIsZoomLock(value.toBool()); });
    bindPerModeDefault(kUIModeKey, [this](const QVariant &value) { setUIMode(value.toString()); });
}

void KTBaseUIModeController::setNeedsReload()
{
    m_isNeedReload = true;
    reloadIfNeed();
}

void KTBaseUIModeController::reloadIfNeed()
{
    if (!isViewShown() || !m_isNeedReload)
        return;
    m_isNeedReload = false;
    reload();
}

void KTBaseUIModeController::reload() {}

void KTBaseUIModeController::rootViewDidUnhide()
{
    reloadIfNeed();
}

bool KTBaseUIModeController::isViewShown() const
{
    return m_view && m_view->isVisibleTo(m_view->window());
}

void KTBaseUIModeController::refresh()
{
    if (!isViewShown())
        return;
    validateUIVisibleElements();
    adjustExifViewVisibility();
    updateInfoView();
    updateExifView();
}

void KTBaseUIModeController::resetUI() {}

KTImageInfoView *KTBaseUIModeController::infoView() const
{
    return m_infoView;
}

KTExifViewController *KTBaseUIModeController::exifViewController() const
{
    return m_exifViewController.get();
}

bool KTBaseUIModeController::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShowToParent:
        if (watched == m_view) {
            if (m_foregroundView)
                m_foregroundView->setFocus();
            rootViewDidUnhide();
        }
        break;
    case QEvent::Resize:
    case QEvent::Show:
        // A record given to a viewer that was not on screen was fitted to a size it never had;
        // zoom lock would keep that scale, so it is fitted again once the viewer is laid out.
        if (watched == m_imageView && m_viewerNeedsFit && m_imageView->isVisible() &&
            !m_imageView->size().isEmpty()) {
            m_viewerNeedsFit = false;
            QTimer::singleShot(0, m_imageView, [view = m_imageView] {
                if (view && view->imageMO())
                    view->fitToScreenAnimated(KTAnimated::No);
            });
        }
        [[fallthrough]];
    case QEvent::Move:
    case QEvent::Hide:
        if (watched == m_bottomToolBar || watched == m_view)
            placeBottomToolBarShadow();
        break;
    case QEvent::KeyPress:
        if (isKeyForMode(watched) && performKeyEquivalent(*static_cast<QKeyEvent *>(event)))
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool KTBaseUIModeController::isKeyForMode(QObject *receiver) const
{
    auto *widget = qobject_cast<QWidget *>(receiver);
    if (!widget || !m_view || isTextInput(widget) || !isViewShown())
        return false;
    return widget == m_view || m_view->isAncestorOf(widget);
}

bool KTBaseUIModeController::performKeyEquivalent(const QKeyEvent &event)
{
    if (!isViewShown())
        return false;
    if (equalsToKeyEquivalent(event, QStringLiteral(" "), {})) {
        onSpacePress();
        return true;
    }
    if (equalsToKeyEquivalent(event, QStringLiteral("g"), {})) {
        onListMode(nullptr);
        return true;
    }
    if (equalsToKeyEquivalent(event, QStringLiteral("d"), {})) {
        onActualSize(nullptr);
        return true;
    }
    return false;
}

void KTBaseUIModeController::destroyView()
{
    m_zoomObserver.reset();
    if (m_view) {
        m_view->removeEventFilter(this);
        delete m_view.data();
    }
    m_exifViewController.reset();
}

// ---- Hooks ----

void KTBaseUIModeController::onSpacePress()
{
    qInfo().noquote()
        << QStringLiteral("%1: Space pressed.").arg(QString::fromLatin1(metaObject()->className()));
}

void KTBaseUIModeController::onListMode(QObject *) {}
void KTBaseUIModeController::onZoomIn(QObject *) {}
void KTBaseUIModeController::onZoomOut(QObject *) {}
void KTBaseUIModeController::onZoomLock(QObject *) {}
void KTBaseUIModeController::onNextImage(QObject *) {}
void KTBaseUIModeController::onPrevImage(QObject *) {}
void KTBaseUIModeController::onChangeZoom(QObject *) {}
void KTBaseUIModeController::onSwitchSortKey(QObject *) {}
void KTBaseUIModeController::onSwitchSortOrder(QObject *) {}
void KTBaseUIModeController::updateExifView() {}
void KTBaseUIModeController::updateInfoView() {}

QString KTBaseUIModeController::modeButtonBadge() const
{
    return {};
}

bool KTBaseUIModeController::navigationBarShouldBeShown() const
{
    return m_isNavigationBarVisible;
}

bool KTBaseUIModeController::canShowExposurePixels() const
{
    return false;
}

void KTBaseUIModeController::showImageInViewer(KTImageMO *image)
{
    if (!m_imageView)
        return;
    // The viewer fits a new record to its size: lay the screen out first, so a viewer that was
    // just shown has its size.
    if (m_view && m_view->isVisible())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    m_imageView->setImageMO(image);
    m_viewerNeedsFit = image && !m_imageView->isVisible();
}

KTZoomProtocol *KTBaseUIModeController::viewForZooming() const
{
    return m_imageView;
}

// ---- Panels and zoom ----

bool KTBaseUIModeController::exifPanelShouldBeShown() const
{
    return true;
}

bool KTBaseUIModeController::isExifPanelVisible() const
{
    return m_isExifPanelVisible;
}

void KTBaseUIModeController::onShowExifView(QObject *sender)
{
    setIsExifPanelVisible(senderState(sender));
    adjustExifViewVisibility();
}

void KTBaseUIModeController::onShowExposurePixels(QObject *)
{
    const bool wanted = m_showPixelsButton && m_showPixelsButton->isPushed();
    if (!m_imageView) {
        setShowsExposurePixels(wanted);
        return;
    }
    m_imageView->setShowsExposurePixels(wanted);
    setShowsExposurePixels(m_imageView->showsExposurePixels());
}

bool KTBaseUIModeController::canZoom() const
{
    return UIMode() != kUIModeGroup;
}

bool KTBaseUIModeController::canScale() const
{
    const QString mode = UIMode();
    return mode == kUIModeImage || mode == kUIModeCompare;
}

bool KTBaseUIModeController::canZoomListView() const
{
    return false;
}

double KTBaseUIModeController::zoomValue() const
{
    return 0.0;
}

void KTBaseUIModeController::setZoomValue(double) {}

void KTBaseUIModeController::onZoomViewIn(QObject *)
{
    zoomShortcutPressed(KTZoomDirection::In);
}

void KTBaseUIModeController::onZoomViewOut(QObject *)
{
    zoomShortcutPressed(KTZoomDirection::Out);
}

void KTBaseUIModeController::onFit(QObject *) {}

void KTBaseUIModeController::onActualSize(QObject *) {}

void KTBaseUIModeController::onFitOrActualSize(QObject *)
{
    KTZoomProtocol *zooming = viewForZooming();
    if (!zooming)
        return;
    if (zooming->isFitToScreen())
        onActualSize(nullptr);
    else
        onFit(nullptr);
}

void KTBaseUIModeController::zoomShortcutPressed(KTZoomDirection direction)
{
    const QString mode = UIMode();
    if (mode == kUIModeList || mode == kUIModeGroups) {
        if (!m_zoomSlider || !m_zoomSlider->isEnabled())
            return;
        // A slider with fewer than two ticks has no step.
        const int ticks = m_zoomSlider->numberOfTickMarks();
        if (ticks < 2)
            return;
        const double step = (m_zoomSlider->maxValue() - m_zoomSlider->minValue()) / (ticks - 1);
        m_zoomSlider->setDoubleValue(m_zoomSlider->doubleValue() +
                                     (direction == KTZoomDirection::In ? step : -step));
        onChangeZoom(nullptr);
        return;
    }
    if (direction == KTZoomDirection::In)
        onZoomIn(nullptr);
    else
        onZoomOut(nullptr);
}

void KTBaseUIModeController::onSwitchZoom(QObject *)
{
    KTZoomProtocol *zooming = viewForZooming();
    if (!m_switchZoomButton || !zooming)
        return;
    switch (m_switchZoomButton->selectedTag()) {
    case kZoom50:
        zooming->scale(0.5, KTAnimated::Yes);
        break;
    case kZoomActualSize:
        onActualSize(nullptr);
        break;
    case kZoom200:
        zooming->scale(2.0, KTAnimated::Yes);
        break;
    case kZoom400:
        zooming->scale(4.0, KTAnimated::Yes);
        break;
    case kZoomFit:
        onFit(nullptr);
        break;
    default:
        break;
    }
}

void KTBaseUIModeController::validateSwitchZoomButtonState()
{
    KTZoomProtocol *zooming = viewForZooming();
    if (!m_switchZoomButton || !zooming)
        return;
    if (zooming->isFitToScreen()) {
        m_switchZoomButton->selectItemWithTag(kZoomFit);
        return;
    }
    const std::optional<double> percent = zooming->scalePercent();
    if (!percent)
        return;
    const int p = int(std::lround(*percent));
    switch (p) {
    case 400:
        m_switchZoomButton->selectItemWithTag(kZoom400);
        return;
    case 200:
        m_switchZoomButton->selectItemWithTag(kZoom200);
        return;
    case 100:
        m_switchZoomButton->selectItemWithTag(kZoomActualSize);
        return;
    case 50:
        m_switchZoomButton->selectItemWithTag(kZoom50);
        return;
    default:
        m_switchZoomButton->unselectAllItems();
        m_switchZoomButton->setTitle(QStringLiteral("%1 %2%").arg(tr("Zoom")).arg(p));
        return;
    }
}

void KTBaseUIModeController::observeZoomChanging()
{
    m_zoomObserver = KTNotificationCenter::defaultCenter().addObserver(
        kZoomDidChangeNotification, nullptr,
        [self = QPointer<KTBaseUIModeController>(this)](const KTNotification &) {
            if (self)
                self->validateSwitchZoomButtonState();
        });
}

// ---- Decisions and files ----

void KTBaseUIModeController::onFlag(QObject *sender)
{
    auto *button = qobject_cast<KTAbstractButton *>(sender);
    if (!button)
        return;
    const bool target = button->isPushed();
    bool changed = false;
    enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool, bool &) {
        if (image->picked().value_or(false) != target) {
            image->setPicked(target);
            changed = true;
        }
    });
    if (changed && m_imageStorage)
        m_imageStorage->processPendingChanges();
}

void KTBaseUIModeController::flagActiveSelectedImages(bool picked)
{
    if (UIMode() == kUIModeCompare) {
        if (KTImageMO *active = activeImageMO())
            active->setPicked(picked);
        return;
    }
    enumerateSelectedImagesUsingBlock([picked](KTImageMO *image, bool, bool &) { image->setPicked(picked); });
}

bool KTBaseUIModeController::activeImagespicked() const
{
    return m_flagImagesButton && m_flagImagesButton->isPushed();
}

void KTBaseUIModeController::copyImagesToPasteboard() {}

void KTBaseUIModeController::onCopy(QObject *)
{
    askForFolder(false);
}

void KTBaseUIModeController::onMove(QObject *)
{
    askForFolder(true);
}

void KTBaseUIModeController::askForFolder(bool moving)
{
    const FolderPanel &panel = folderPanelStorage() ? folderPanelStorage() : FolderPanel(&runFolderPanel);
    QWidget *window = m_view ? m_view->window() : nullptr;
    panel(window, images().size(), moving,
          [self = QPointer<KTBaseUIModeController>(this), moving](const QString &folder) {
              if (!self || folder.isEmpty() || !self->m_imageStorage)
                  return;
              // The mode's list as it is now: records deleted while the panel was open are gone from it.
              const QList<KTImageMO *> list = self->images();
              if (moving)
                  self->m_imageStorage->moveImages(list, folder);
              else
                  self->m_imageStorage->copyImages(list, folder);
          });
}

QStringList KTBaseUIModeController::selectedImagesPaths(KTPairedPaths paired)
{
    QList<KTImageMO *> selected;
    enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool, bool &) { selected.append(image); });
    return KTSharedPaths::ofImages(selected, paired);
}

std::unique_ptr<QMenu> KTBaseUIModeController::shareMenu()
{
    auto menu = std::make_unique<QMenu>(QString());
    const QPointer<KTBaseUIModeController> self(this);
    const auto selected = [self] {
        QList<KTImageMO *> images;
        if (self)
            self->enumerateSelectedImagesUsingBlock(
                [&](KTImageMO *image, bool, bool &) { images.append(image); });
        return images;
    };
    KTShareMenu::addItems(menu.get(),
                          {KTSharedPaths::producer(selected, KTPairedPaths::Include),
                           KTSharedPaths::producer(selected, KTPairedPaths::Exclude)},
                          KTShareMenu::PhotoManagers::Offered);
    return menu;
}

void KTBaseUIModeController::onShare(QObject *sender)
{
    std::unique_ptr<QMenu> menu = shareMenu();
    QPoint location;
    if (auto *widget = qobject_cast<QWidget *>(sender))
        location = widget->mapToGlobal(QPoint(0, 0));
    else if (m_view)
        location = m_view->mapToGlobal(QPoint(0, 0));
    const QList<QAction *> items = menu->actions();
    KTMenuPresenter::popUp(menu.get(), location, items.isEmpty() ? nullptr : items.last());
}

// ---- Panels and toolbar ----

void KTBaseUIModeController::adjustUIVisibleElements()
{
    adjustExifViewVisibility();
    adjustNavigationViewVisibility();
    if (m_zoomView) {
        const QString mode = UIMode();
        m_zoomView->setVisible(mode == kUIModeImage || mode == kUIModeCompare);
    }
}

void KTBaseUIModeController::validateUIVisibleElements()
{
    if (m_showNavigationBarButton)
        m_showNavigationBarButton->setPushed(m_isNavigationBarVisible);
    updateModeButtonBadge();
    if (m_imageView)
        m_imageView->setShowsExposurePixels(m_showsExposurePixels);
    if (m_imagesMoveButton)
        m_imagesMoveButton->setHidden(m_imageStorage && m_imageStorage->hasExternalSources());
    validateSwitchZoomButtonState();
    validateFlagAndShareButtons();
}

void KTBaseUIModeController::adjustExifViewVisibility()
{
    if (exifPanelShouldBeShown() && isExifPanelVisible())
        showExifView();
    else
        hideExifView();
}

void KTBaseUIModeController::showExifView()
{
    QWidget *panel = exifPanel();
    if (!panel || !m_contentRow || m_contentRow->indexOf(panel) >= 0)
        return;
    m_contentRow->addWidget(panel);
    panel->show();
}

void KTBaseUIModeController::hideExifView()
{
    QWidget *panel = exifPanel();
    if (!panel || !m_contentRow || m_contentRow->indexOf(panel) < 0)
        return;
    m_contentRow->removeWidget(panel);
    panel->hide();
}

void KTBaseUIModeController::onShowNavigationBar(QObject *)
{
    setIsNavigationBarVisible(m_showNavigationBarButton && m_showNavigationBarButton->isPushed());
    adjustNavigationViewVisibility();
}

void KTBaseUIModeController::adjustNavigationViewVisibility()
{
    if (m_navigationScrollView)
        m_navigationScrollView->setVisible(navigationBarShouldBeShown());
}

void KTBaseUIModeController::validateFlagAndShareButtons()
{
    const bool any = !images().isEmpty();
    if (m_flagImagesButton)
        m_flagImagesButton->setButtonEnabled(any);
    if (m_shareButton)
        m_shareButton->setButtonEnabled(any);
}

QString KTBaseUIModeController::selectionBadge() const
{
    qsizetype count = 0;
    const qsizetype size = images().size();
    for (qsizetype index : m_selectedImagesIndexes)
        count += index >= 0 && index < size ? 1 : 0;
    return count >= 2 ? QString::number(count) : QString();
}

void KTBaseUIModeController::adjustShareButtonState()
{
    if (m_shareButton)
        m_shareButton->setBadgeString(selectionBadge());
}

void KTBaseUIModeController::adjustFlagImageButtonState()
{
    if (!m_flagImagesButton)
        return;
    m_flagImagesButton->setBadgeString(selectionBadge());
    if (KTImageMO *active = activeImageMO())
        kt_bindStateToObject(m_flagImagesButton, KTBindingSource(active), QStringLiteral("picked"));
}

void KTBaseUIModeController::setUpRatingIndicator()
{
    if (!m_ratingIndicator)
        return;
    m_ratingIndicator->cell()->setDisplayDots(true);
    m_ratingIndicator->setInactiveDotsImage(KTNamedImages::shared().image(QStringLiteral("rate"), 2.0));
}

void KTBaseUIModeController::adjustRatingIndicatorState()
{
    if (!m_ratingIndicator)
        return;
    // The record's rating, followed while it is the active image. The image records of this
    // catalogue carry no rating, so the indicator shows 0 for them.
    delete m_ratingIndicator->findChild<QObject *>(QStringLiteral("ratingBinding"),
                                                   Qt::FindDirectChildrenOnly);
    m_ratingIndicator->setIntegerValue(0);
    KTImageMO *active = activeImageMO();
    const KTBindingSource source(active);
    const QString key = QStringLiteral("rating");
    if (!active || !source.hasKey(key))
        return;
    QPointer<KTLevelIndicator> indicator(m_ratingIndicator);
    const auto apply = [indicator, source, key] {
        if (indicator)
            indicator->setIntegerValue(source.value(key).toInt());
    };
    apply();
    if (std::unique_ptr<QObject> watch = source.observe(key, apply)) {
        watch->setObjectName(QStringLiteral("ratingBinding"));
        watch.release()->setParent(m_ratingIndicator);
    }
}

void KTBaseUIModeController::updateModeButtonBadge()
{
    if (m_modeButton)
        m_modeButton->setBadge(modeButtonBadge());
}

void KTBaseUIModeController::setUpBottomToolBarShadow()
{
    if (!m_bottomToolBar || !m_view || m_bottomToolBarShadow)
        return;
    const QImage shadow = KTNamedImages::shared().image(QStringLiteral("bottom_toolbar_shadow"), 2.0);
    if (shadow.isNull())
        return;
    auto *shadowView = new StretchedImageView(shadow, m_view);
    shadowView->setObjectName(QStringLiteral("bottomToolBarShadow"));
    m_bottomToolBarShadow = shadowView;
    m_bottomToolBar->installEventFilter(this);
    placeBottomToolBarShadow();
}

void KTBaseUIModeController::placeBottomToolBarShadow()
{
    if (!m_bottomToolBarShadow || !m_bottomToolBar || !m_view)
        return;
    // Full width, right under the toolbar, above whatever lies there.
    const QPoint below = m_bottomToolBar->mapTo(m_view, QPoint(0, m_bottomToolBar->height()));
    const auto *shadow = static_cast<StretchedImageView *>(m_bottomToolBarShadow.data());
    m_bottomToolBarShadow->setGeometry(0, below.y(), m_view->width(), shadow->imageHeight());
    m_bottomToolBarShadow->setVisible(m_bottomToolBar->isVisible());
    m_bottomToolBarShadow->raise();
}

QWidget *KTBaseUIModeController::exifPanel() const
{
    return m_exifPanel;
}

void KTBaseUIModeController::setExifPanel(QWidget *panel)
{
    m_exifPanel = panel;
}

// ---- Persisted view state ----

QString KTBaseUIModeController::defaultsKeyPathForKey(const QString &key) const
{
    Q_ASSERT_X(!key.isEmpty(), "defaultsKeyPathForKey", "Defaults key cannot be nil");
    return QStringLiteral("%1_%2").arg(modeID(), key);
}

void KTBaseUIModeController::saveDefaultsValue(const QVariant &value, const QString &key,
                                               const QString &prefix)
{
    Q_ASSERT_X(!key.isEmpty(), "saveDefaultsValue", "Cannot save defaults value for nil key");
    if (key.isEmpty())
        return;
    KTUserDefaults &defaults = userDefaults();
    defaults.setObject(value, prefix.isEmpty() ? key : QStringLiteral("%1_%2").arg(prefix, key));
    defaults.synchronize();
}

void KTBaseUIModeController::saveDefaultsValue(const QVariant &value, const QString &key) const
{
    saveDefaultsValue(value, key, modeID());
}

void KTBaseUIModeController::setSortKey(const QString &key)
{
    if (key == m_sortKey)
        return;
    m_sortKey = key;
    saveDefaultsValue(key, kSortKeyKey);
}

void KTBaseUIModeController::setSortOrder(bool ascending)
{
    if (ascending == m_sortOrder)
        return;
    m_sortOrder = ascending;
    saveDefaultsValue(ascending, kSortOrderKey);
}

void KTBaseUIModeController::setIsZoomLock(bool zoomLock)
{
    if (zoomLock != m_isZoomLock) {
        m_isZoomLock = zoomLock;
        saveDefaultsValue(zoomLock, kIsZoomLockKey);
    }
    if (m_imageView)
        m_imageView->setIsZoomLock(zoomLock);
}

void KTBaseUIModeController::setImageListZoom(double zoom)
{
    if (zoom == m_imageListZoom)
        return;
    m_imageListZoom = zoom;
    saveDefaultsValue(zoom, kImageListZoomKey, {});
}

void KTBaseUIModeController::setIsExifPanelVisible(bool visible)
{
    if (visible == m_isExifPanelVisible)
        return;
    m_isExifPanelVisible = visible;
    saveDefaultsValue(visible, kIsExifPanelVisibleKey, {});
}

void KTBaseUIModeController::setIsNavigationBarVisible(bool visible)
{
    if (visible == m_isNavigationBarVisible)
        return;
    m_isNavigationBarVisible = visible;
    saveDefaultsValue(visible, kIsNavigationBarVisibleKey);
}

void KTBaseUIModeController::setShowsExposurePixels(bool shows)
{
    m_showsExposurePixels = shows;
    saveDefaultsValue(shows, kShowsExposurePixelsKey, {});
}

QList<KTSortDescriptor> KTBaseUIModeController::imagesSortDescriptors() const
{
    const auto order = [this](const QString &key) {
        const bool ascending = key == kResolveDateKey ? !m_sortOrder : m_sortOrder;
        return ascending ? KTSortOrder::Ascending : KTSortOrder::Descending;
    };
    QList<KTSortDescriptor> descriptors{KTSortDescriptor(m_sortKey, order(m_sortKey))};
    if (!sortKeys().contains(m_sortKey))
        qWarning().noquote() << QStringLiteral("Warning: Unexpected sort key: %1").arg(m_sortKey);
    for (const QString &key : sortKeys()) {
        if (key != m_sortKey)
            descriptors.append(KTSortDescriptor(key, order(key)));
    }
    return descriptors;
}

// ---- Parts of the screen ----

void KTBaseUIModeController::setView(QWidget *view)
{
    m_view = view;
}

void KTBaseUIModeController::setContainerView(QWidget *view, QBoxLayout *contentRow)
{
    m_containerView = view;
    m_contentRow = contentRow;
}

void KTBaseUIModeController::setBottomToolBar(QWidget *toolBar)
{
    m_bottomToolBar = toolBar;
}

void KTBaseUIModeController::setInfoBarContainer(QWidget *container)
{
    m_infoBarContainer = container;
}

void KTBaseUIModeController::setImageView(KTImageView *view)
{
    m_imageView = view;
}

void KTBaseUIModeController::setInfoView(KTImageInfoView *view)
{
    m_infoView = view;
}

void KTBaseUIModeController::setNavigationView(KTImageNavigationView *view, QWidget *scrollView)
{
    m_navigationView = view;
    m_navigationScrollView = scrollView;
}

void KTBaseUIModeController::setShowNavigationBarButton(KTAbstractButton *button)
{
    m_showNavigationBarButton = button;
}

void KTBaseUIModeController::setZoomSlider(KTZoomSlider *slider, QWidget *sliderView)
{
    m_zoomSlider = slider;
    m_zoomSliderView = sliderView;
}

void KTBaseUIModeController::setImageModeButton(KTAbstractButton *button)
{
    m_imageModeButton = button;
}

void KTBaseUIModeController::setImageModeControlsView(QWidget *view)
{
    m_imageModeControlsView = view;
}

void KTBaseUIModeController::setRatingIndicator(KTLevelIndicator *indicator)
{
    m_ratingIndicator = indicator;
}

void KTBaseUIModeController::setShareButton(KTBadgeButton *button)
{
    m_shareButton = button;
}

void KTBaseUIModeController::setFlagImagesButton(KTBadgeButton *button)
{
    m_flagImagesButton = button;
}

void KTBaseUIModeController::setSwitchZoomButton(KTResizablePopUpButton *button, QWidget *zoomView)
{
    m_switchZoomButton = button;
    m_zoomView = zoomView;
}

void KTBaseUIModeController::setImagesCopyButton(KTAbstractButton *button)
{
    m_imagesCopyButton = button;
}

void KTBaseUIModeController::setImagesMoveButton(KTAbstractButton *button)
{
    m_imagesMoveButton = button;
}

void KTBaseUIModeController::addDecisionButtons(KTModeToolbar *toolBar)
{
    auto *rating = new KTLevelIndicator(toolBar);
    rating->setObjectName(QStringLiteral("ratingIndicator"));
    toolBar->rightLayout()->addWidget(rating);
    auto *flag = KTModeToolbar::badgeButton(QStringLiteral("flag"), tr("Pick (Ctrl+P)"),
                                            KTAbstractButton::Toggle, toolBar);
    flag->setObjectName(QStringLiteral("flagImagesButton"));
    connect(flag, &KTControl::clicked, this, [this, flag] { onFlag(flag); });
    toolBar->rightLayout()->addWidget(flag);
    auto *share =
        KTModeToolbar::badgeButton(QStringLiteral("share"), tr("Show in File Manager, Export, Share"),
                                   KTAbstractButton::Momentary, toolBar);
    share->setObjectName(QStringLiteral("shareButton"));
    connect(share, &KTControl::clicked, this, [this, share] { onShare(share); });
    toolBar->rightLayout()->addWidget(share);
    setRatingIndicator(rating);
    setFlagImagesButton(flag);
    setShareButton(share);
}

QWidget *KTBaseUIModeController::makeThumbnailZoom(QWidget *parent)
{
    KTZoomSlider *slider = nullptr;
    QWidget *view = KTModeToolbar::zoomSliderView(parent, &slider);
    connect(slider, &KTZoomSlider::doubleValueChanged, this, [this, slider] { onChangeZoom(slider); });
    setZoomSlider(slider, view);
    return view;
}

QWidget *KTBaseUIModeController::makeViewerZoom(QWidget *parent, KTAbstractButton **zoomLockButton)
{
    QHBoxLayout *row = nullptr;
    QWidget *view = KTModeToolbar::controlRow(parent, &row);
    KTResizablePopUpButton *zoomButton = KTModeToolbar::zoomPopUpButton(view);
    connect(zoomButton, &KTControl::clicked, this, [this, zoomButton] { onSwitchZoom(zoomButton); });
    row->addWidget(zoomButton);
    auto *lock = KTModeToolbar::roundButton(
        QStringLiteral("zoom_lock"), tr("Keep the zoom from image to image"), KTAbstractButton::Toggle, view);
    lock->setObjectName(QStringLiteral("zoomLockButton"));
    connect(lock, &KTControl::clicked, this, [this, lock] { onZoomLock(lock); });
    row->addWidget(lock);
    setSwitchZoomButton(zoomButton, view);
    if (zoomLockButton)
        *zoomLockButton = lock;
    return view;
}

QWidget *KTBaseUIModeController::addNavigationStrip(QBoxLayout *column, KTImageNavigationView *strip)
{
    // Thumbnails of about 70 points with their margins.
    constexpr int kNavigationStripHeight = 92;
    auto *scrollView = new KTGridScrollView(Qt::Horizontal, column->parentWidget());
    scrollView->setObjectName(QStringLiteral("navigationScrollView"));
    scrollView->setFixedHeight(kNavigationStripHeight);
    strip->setObjectName(QStringLiteral("navigationView"));
    scrollView->setDocumentView(strip);
    column->addWidget(scrollView);
    setNavigationView(strip, scrollView);
    return scrollView;
}

void KTBaseUIModeController::setForegroundView(QWidget *view)
{
    m_foregroundView = view;
}

QWidget *KTBaseUIModeController::foregroundView() const
{
    return m_foregroundView;
}

QWidget *KTBaseUIModeController::containerView() const
{
    return m_containerView;
}

QWidget *KTBaseUIModeController::bottomToolBar() const
{
    return m_bottomToolBar;
}

QWidget *KTBaseUIModeController::infoBarContainer() const
{
    return m_infoBarContainer;
}

KTImageView *KTBaseUIModeController::imageView() const
{
    return m_imageView;
}

KTImageNavigationView *KTBaseUIModeController::navigationView() const
{
    return m_navigationView;
}

QWidget *KTBaseUIModeController::navigationScrollView() const
{
    return m_navigationScrollView;
}

KTAbstractButton *KTBaseUIModeController::showNavigationBarButton() const
{
    return m_showNavigationBarButton;
}

KTZoomSlider *KTBaseUIModeController::zoomSlider() const
{
    return m_zoomSlider;
}

QWidget *KTBaseUIModeController::zoomSliderView() const
{
    return m_zoomSliderView;
}

KTAbstractButton *KTBaseUIModeController::imageModeButton() const
{
    return m_imageModeButton;
}

QWidget *KTBaseUIModeController::imageModeControlsView() const
{
    return m_imageModeControlsView;
}

KTLevelIndicator *KTBaseUIModeController::ratingIndicator() const
{
    return m_ratingIndicator;
}

KTBadgeButton *KTBaseUIModeController::shareButton() const
{
    return m_shareButton;
}

KTBadgeButton *KTBaseUIModeController::flagImagesButton() const
{
    return m_flagImagesButton;
}

KTResizablePopUpButton *KTBaseUIModeController::switchZoomButton() const
{
    return m_switchZoomButton;
}

QWidget *KTBaseUIModeController::zoomView() const
{
    return m_zoomView;
}

KTAbstractButton *KTBaseUIModeController::imagesCopyButton() const
{
    return m_imagesCopyButton;
}

KTAbstractButton *KTBaseUIModeController::imagesMoveButton() const
{
    return m_imagesMoveButton;
}

QWidget *KTBaseUIModeController::bottomToolBarShadow() const
{
    return m_bottomToolBarShadow;
}

// ---- Mode-specific operations: nothing in the base ----

bool KTBaseUIModeController::canSwitchGroups() const
{
    return false;
}
void KTBaseUIModeController::onNextGroup(QObject *) {}
void KTBaseUIModeController::onPreviousGroup(QObject *) {}
double KTBaseUIModeController::timeRange() const
{
    return 0.0;
}
void KTBaseUIModeController::resetTimeRange() {}
bool KTBaseUIModeController::canRejectNotSelected() const
{
    return false;
}
void KTBaseUIModeController::onRejectNotSelected(QObject *) {}
QWidget *KTBaseUIModeController::rejectNotSelectedButton() const
{
    return nullptr;
}
int KTBaseUIModeController::accuracyLevel() const
{
    return 0;
}
void KTBaseUIModeController::updateAccuracySettings() {}
bool KTBaseUIModeController::canResolve() const
{
    return false;
}
void KTBaseUIModeController::onResolveGroup(QObject *) {}
void KTBaseUIModeController::onShowSearchSettings(QObject *) {}
void KTBaseUIModeController::onPutBack(QObject *) {}
void KTBaseUIModeController::onMoveToSystemTrash(QObject *) {}

// ---- KTImageListViewDelegate ----

bool KTBaseUIModeController::canImageListPerformKeyDownWithKeyEquivalent(const QString &keyEquivalent)
{
    return !(UIMode() == kUIModeCompare &&
             (keyEquivalent == QLatin1String("a") || keyEquivalent == QLatin1String("d")));
}

void KTBaseUIModeController::imageListViewSelectionDidChange(KTImageListView *) {}

void KTBaseUIModeController::imageListViewCellWasDoubleClickedAtIndex(KTImageListView *, qsizetype) {}
