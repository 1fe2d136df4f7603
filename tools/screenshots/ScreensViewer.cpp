// The image viewer: fitted and at 100 %, with the exposure overlay, with the camera's focus
// points, with the hover pick and reject buttons, rejected, and with its file missing.

#include "KTScreenRegistry.h"

#include "KTCatalogModel.h"
#include "KTColor.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTExifViewController.h"
#include "KTImageExifView.h"
#include "KTImageCompareView.h"
#include "KTImageInfoView.h"
#include "KTImageView.h"
#include "KTSingeImageInfoBar.h"
#include "KTObjectContext.h"
#include "KTSimpleBackgroundView.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <random>

namespace {

/// A landscape at `size`: a sky with a blown-out sun (clipped highlights), hills, a lake, trees
/// and a black rock in the foreground (crushed shadows), with grain so it reads as a photo.
/// `shot` moves the sun a little, as the next frame of a burst would.
QImage landscape(QSize size, int shot = 0)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width();
    const double h = size.height();
    QLinearGradient sky(0, 0, 0, h * 0.55);
    sky.setColorAt(0, QColor(38, 76, 150));
    sky.setColorAt(1, QColor(214, 226, 238));
    p.fillRect(QRectF(0, 0, w, h * 0.55), sky);
    QRadialGradient glow(QPointF(w * (0.72 - 0.05 * shot), h * (0.24 + 0.03 * shot)), h * 0.2);
    glow.setColorAt(0, QColor(255, 255, 255));
    glow.setColorAt(0.25, QColor(255, 255, 255));
    glow.setColorAt(1, QColor(255, 240, 210, 0));
    p.fillRect(QRectF(0, 0, w, h * 0.55), glow);

    const auto ridge = [&](double base, double amplitude, double waves, QColor colour, unsigned seed) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> jitter(-0.25, 0.25);
        QPainterPath path(QPointF(0, h));
        for (int i = 0; i <= 60; ++i) {
            const double x = w * i / 60.0;
            const double y =
                base - amplitude * (0.6 + 0.4 * std::sin(waves * i / 60.0 * 6.283) + jitter(random));
            path.lineTo(x, y);
        }
        path.lineTo(w, h);
        path.closeSubpath();
        p.fillPath(path, colour);
    };
    ridge(h * 0.5, h * 0.16, 1.3, QColor(112, 128, 156), 3);
    ridge(h * 0.56, h * 0.1, 2.1, QColor(60, 88, 74), 5);
    QLinearGradient lake(0, h * 0.6, 0, h * 0.78);
    lake.setColorAt(0, QColor(150, 176, 196));
    lake.setColorAt(1, QColor(58, 84, 104));
    p.fillRect(QRectF(0, h * 0.6, w, h * 0.18), lake);
    QLinearGradient meadow(0, h * 0.76, 0, h);
    meadow.setColorAt(0, QColor(88, 120, 52));
    meadow.setColorAt(1, QColor(34, 52, 24));
    p.fillRect(QRectF(0, h * 0.76, w, h * 0.24), meadow);

    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < 42; ++i) {
        const double x = w * (0.05 + 0.5 * unit(random));
        const double base = h * (0.6 + 0.02 * unit(random));
        const double height = h * (0.06 + 0.07 * unit(random));
        QPainterPath tree;
        tree.moveTo(x, base - height);
        tree.lineTo(x - height * 0.22, base);
        tree.lineTo(x + height * 0.22, base);
        tree.closeSubpath();
        p.fillPath(tree, QColor(22 + int(20 * unit(random)), 48, 30));
    }
    QPainterPath rock;
    rock.moveTo(0, h);
    rock.cubicTo(w * 0.05, h * 0.8, w * 0.2, h * 0.78, w * 0.32, h);
    p.fillPath(rock, Qt::black);
    p.setPen(QPen(QColor(120, 150, 70, 90), std::max(1.0, w / 1500)));
    for (int i = 0; i < 4000; ++i) {
        const double x = w * unit(random);
        const double y = h * (0.78 + 0.22 * unit(random));
        p.drawLine(QPointF(x, y),
                   QPointF(x + w * 0.002 * (unit(random) - 0.5), y - h * 0.012 * unit(random)));
    }
    p.end();
    return image;
}

/// A 9 x 5 grid of autofocus points on a 6000 x 4000 AF image; the three over the trees on the
/// left are selected and in focus.
std::vector<KTCanonAFPoint> afGrid()
{
    std::vector<KTCanonAFPoint> points;
    for (int row = -2; row <= 2; ++row) {
        for (int column = -4; column <= 4; ++column) {
            const bool chosen = row == 0 && column >= -3 && column <= -1;
            points.push_back({column * 420, row * 380, 150, 150, chosen, chosen});
        }
    }
    return points;
}

/// The photos of the viewer's screens, written once into a folder of their own, and their
/// records in a context apart from the session's.
class ViewerPhotos
{
public:
    static ViewerPhotos &shared()
    {
        static ViewerPhotos photos;
        return photos;
    }

    /// A new record of the landscape (shot 1: the burst's next shot; 2 and 3: two shots whose long
    /// names differ only in their counter), picked or rejected as asked.
    KTImageMO *record(bool picked = false, bool rejected = false, int shot = 0)
    {
        auto *image = m_context->insert<KTImageMO>(kImageEntityName);
        image->setPath(shot == 0 ? m_path : shot == 1 ? m_nextPath : m_walkPaths.at(shot - 2));
        image->setName(QFileInfo(image->path()).completeBaseName());
        image->setImageID(4021 + quint64(shot));
        image->setSize(quint64(QFileInfo(image->path()).size()));
        image->setPicked(picked);
        image->setRejected(rejected);
        m_context->processPendingChanges();
        return image;
    }
    KTImageMO *missingRecord()
    {
        auto *image = m_context->insert<KTImageMO>(kImageEntityName);
        image->setPath(m_folder.filePath(QStringLiteral("DSC_4099.JPG")));
        m_context->processPendingChanges();
        return image;
    }

private:
    ViewerPhotos() : m_context(KTObjectContext::makeMainContext(KTCatalogModel::sharedModel()))
    {
        m_path = m_folder.filePath(QStringLiteral("DSC_4021.JPG"));
        const QSize size(3000, 2000);
        KTExifFields exif = cameraExifFields(size);
        exif.push_back({"Exif.Canon.AFInfo", canonAFInfo(afGrid(), 6000, 4000)});
        writePictureWithExif(m_path, landscape(size), exif);
        m_nextPath = m_folder.filePath(QStringLiteral("DSC_4022_burst_frame_from_the_ridge.JPG"));
        writePictureWithExif(m_nextPath, landscape(size, 1), cameraExifFields(size));
        for (const QString &name : {QStringLiteral("big1_from_the_long_walk_by_the_river_0001.JPG"),
                                    QStringLiteral("big1_from_the_long_walk_by_the_river_0002.JPG")}) {
            m_walkPaths.append(m_folder.filePath(name));
            writePictureWithExif(m_walkPaths.last(), landscape(size, int(m_walkPaths.size())),
                                 cameraExifFields(size));
        }
    }

    QTemporaryDir m_folder;
    std::shared_ptr<KTObjectContext> m_context;
    QString m_path;
    QString m_nextPath;
    QStringList m_walkPaths;
};

/// The viewer on the review modes' dark background.
struct ViewerStage
{
    ViewerStage() : background(new KTSimpleBackgroundView)
    {
        background->setBackgroundColor(KTPalette::kPanel);
        background->resize(960, 640);
        auto *layout = new QVBoxLayout(background.get());
        layout->setContentsMargins(0, 0, 0, 0);
        view = new KTImageView(background.get());
        layout->addWidget(view);
    }

    /// Waits until the stages the screen needs have arrived (the pool and the timers are real).
    void waitFor(const std::function<bool()> &ready)
    {
        (void)QTest::qWaitFor(ready, 20000);
        QApplication::processEvents();
    }
    bool previewShown() const { return !view->layer(KTImageView::Layer::Preview).contents.isNull(); }
    bool fullSizeShown() const { return !view->layer(KTImageView::Layer::Image).contents.isNull(); }

    std::unique_ptr<KTSimpleBackgroundView> background;
    KTImageView *view = nullptr;
};

} // namespace

KT_SCREEN(viewer_fit)
{
    ViewerStage stage;
    return context.capture(*stage.background, [&] {
        stage.view->setImageMO(ViewerPhotos::shared().record(true));
        stage.waitFor([&] { return stage.previewShown(); });
    });
}

KT_SCREEN(viewer_actual_size)
{
    ViewerStage stage;
    return context.capture(*stage.background, [&] {
        stage.view->setImageMO(ViewerPhotos::shared().record());
        stage.waitFor([&] { return stage.previewShown(); });
        stage.view->actualSize();
        stage.waitFor([&] { return stage.fullSizeShown() && !stage.view->isLoadingViewVisible(); });
    });
}

KT_SCREEN(viewer_exposure_overlay)
{
    ViewerStage stage;
    return context.capture(*stage.background, [&] {
        stage.view->setImageMO(ViewerPhotos::shared().record());
        stage.view->setShowsExposurePixels(true);
        stage.waitFor(
            [&] { return !stage.view->layer(KTImageView::Layer::ExposurePixels).contents.isNull(); });
    });
}

KT_SCREEN(viewer_focus_points)
{
    ViewerStage stage;
    return context.capture(*stage.background, [&] {
        stage.view->setImageMO(ViewerPhotos::shared().record());
        stage.view->setFocusPointLatticeVisible(true);
        stage.waitFor([&] {
            return stage.previewShown() &&
                   !stage.view->layer(KTImageView::Layer::FocusPointLattice).contents.isNull();
        });
    });
}

KT_SCREEN(viewer_hover_buttons)
{
    ViewerStage stage;
    return context.capture(*stage.background, [&] {
        stage.view->setImageMO(ViewerPhotos::shared().record(true));
        stage.waitFor([&] { return stage.previewShown(); });
        const QPointF inside =
            stage.view->viewerGeometry().toQt(stage.view->viewerGeometry().containerFrame()).center();
        QMouseEvent move(QEvent::MouseMove, inside, stage.view->mapToGlobal(inside), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(stage.view, &move);
    });
}

KT_SCREEN(viewer_rejected)
{
    ViewerStage stage;
    return context.capture(*stage.background, [&] {
        stage.view->setImageMO(ViewerPhotos::shared().record(false, true));
        stage.waitFor([&] { return stage.previewShown(); });
    });
}

KT_SCREEN(viewer_missing_file)
{
    ViewerStage stage;
    return context.capture(*stage.background,
                           [&] { stage.view->setImageMO(ViewerPhotos::shared().missingRecord()); });
}

// ---- The information strip, the bars, the EXIF panel and the comparison view ----

namespace {

/// A board in the window grey with the screens' margins.
class InfoBoard : public QWidget
{
public:
    InfoBoard()
    {
        QPalette colours = palette();
        colours.setColor(QPalette::Window, KTPalette::kWindow);
        setPalette(colours);
        setAutoFillBackground(true);
    }
};

} // namespace

KT_SCREEN(viewer_info_strips)
{
    // The strips follow image views that are not on screen; only the strips are.
    KTImageView followed;
    followed.resize(960, 640);
    KTImageView compactFollowed;
    compactFollowed.resize(960, 640);
    InfoBoard board;
    board.resize(920, 200);
    auto *wide = new KTImageInfoView(&board);
    wide->setUIMode(QStringLiteral("Image"));
    wide->setFrame(QRectF(20, 20, KTImageInfoView::kDesignedWidth, KTImageInfoView::kHeight));
    wide->startObservingImageView(&followed);
    auto *list = new KTImageInfoView(&board);
    list->setUIMode(QStringLiteral("List"));
    list->setFrame(QRectF(20, 60, KTImageInfoView::kDesignedWidth, KTImageInfoView::kHeight));
    auto *compact = new KTImageInfoView(&board);
    compact->setUIMode(QStringLiteral("Image"));
    compact->setFrame(QRectF(20, 100, 520, KTImageInfoView::kHeight));
    compact->startObservingImageView(&compactFollowed);
    auto *bar = new KTSingeImageInfoBar(&board);
    bar->setGeometry(20, 150, 880, KTSingeImageInfoBar::kHeight);
    return context.capture(board, [&] {
        followed.setImageMO(ViewerPhotos::shared().record());
        list->setImageMO(ViewerPhotos::shared().record());
        compactFollowed.setImageMO(ViewerPhotos::shared().record(false, false, 1));
        bar->setImageMO(ViewerPhotos::shared().record());
        QApplication::processEvents();
    });
}

KT_SCREEN(viewer_exif_panel)
{
    KTExifViewController controller;
    QWidget *panel = controller.exifView();
    panel->resize(panel->sizeHint().width(), 640);
    KTImageMO *record = ViewerPhotos::shared().record();
    return context.capture(*panel, [&] {
        controller.setImageMO(record);
        (void)QTest::qWaitFor([&] { return !controller.hasPendingRequest(); }, 20000);
        QApplication::processEvents();
    });
}

KT_SCREEN(viewer_compare_narrow)
{
    // Two shots whose names differ in their last digit, in a comparison too narrow for them.
    KTSimpleBackgroundView background;
    background.setBackgroundColor(KTPalette::kPanel);
    background.resize(620, 420);
    auto *compare = new KTImageCompareView(&background);
    compare->setGeometry(background.rect());
    return context.capture(background, [&] {
        compare->compareImage(ViewerPhotos::shared().record(false, false, 2),
                              ViewerPhotos::shared().record(false, false, 3));
        (void)QTest::qWaitFor(
            [&] {
                return !compare->leftImageView()->layer(KTImageView::Layer::Preview).contents.isNull() &&
                       !compare->rightImageView()->layer(KTImageView::Layer::Preview).contents.isNull();
            },
            20000);
        QApplication::processEvents();
    });
}

KT_SCREEN(viewer_compare_locked_actual_size)
{
    KTSimpleBackgroundView background;
    background.setBackgroundColor(KTPalette::kPanel);
    background.resize(1200, 700);
    auto *compare = new KTImageCompareView(&background);
    compare->setGeometry(background.rect());
    const auto fullSizeShown = [&] {
        return !compare->leftImageView()->layer(KTImageView::Layer::Image).contents.isNull() &&
               !compare->rightImageView()->layer(KTImageView::Layer::Image).contents.isNull();
    };
    return context.capture(background, [&] {
        compare->compareImage(ViewerPhotos::shared().record(true),
                              ViewerPhotos::shared().record(false, false, 1));
        compare->actualSize();
        compare->rightImageView()->moveByVect({-260, -120}, KTAnimated::No);
        compare->rightImageView()->notifyAboutVisibleGeometryChanges(KTAnimated::No);
        (void)QTest::qWaitFor(fullSizeShown, 20000);
        (void)QTest::qWaitFor(
            [&] {
                return !compare->leftImageView()->isLoadingViewVisible() &&
                       !compare->rightImageView()->isLoadingViewVisible();
            },
            5000);
        compare->update();
        QApplication::processEvents();
    });
}
