#pragma once

#include <QImage>
#include <QList>
#include <QSize>

class KTScreenContext;
class KTWindow;
class QWidget;

// A stand-in for the main window, for the screens that show something over it (title strip,
// overlays, sheets) until the real one exists.

/// The look of the stand-in's title strip: the main window's picture, or KTWindow's own default.
enum class StripLook
{
    MainWindow,
    Default,
};

/// The photos of the generated session, scaled to fit `size` (grey stand-ins without a session).
QList<QImage> photos(KTScreenContext &context, int count, const QSize &size);

/// A grid of thumbnails standing in for a review mode's content.
QWidget *thumbnailWall(QList<QImage> thumbnails, QWidget *parent);

/// Dresses `window` as the main window: the title strip with a toolbar of mode buttons and a
/// share button, and a wall of the session's thumbnails; resizes it to `size`.
void dressMainWindow(KTWindow &window, KTScreenContext &context, const QSize &size,
                     StripLook look = StripLook::MainWindow);

/// What `window` shows with every window in `overSheets` painted where it stands over it. The
/// windows must be shown.
QImage captureWithWindowsOver(QWidget &window, const QList<QWidget *> &over);
