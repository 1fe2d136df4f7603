#include "KTScreenRegistry.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <algorithm>

namespace {

std::vector<KTScreen> &registry()
{
    static std::vector<KTScreen> screens;
    return screens;
}

} // namespace

qreal KTScreenContext::devicePixelRatio() const
{
    return qApp->devicePixelRatio();
}

QImage KTScreenContext::capture(QWidget &widget, const std::function<void()> &afterShow) const
{
    widget.setAttribute(Qt::WA_DontShowOnScreen, false);
    widget.show();
    (void)QTest::qWaitForWindowExposed(&widget, 2000);
    // Let layouts settle and queued work (deferred set-ups, first paints) run.
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    if (afterShow) {
        afterShow();
        QApplication::processEvents();
    }
    QImage image = widget.grab().toImage();
    widget.hide();
    return image;
}

bool KTScreenRegistry::add(const QString &name, std::function<QImage(KTScreenContext &)> render)
{
    registry().push_back({name, std::move(render)});
    return true;
}

std::vector<KTScreen> KTScreenRegistry::screens()
{
    std::vector<KTScreen> screens = registry();
    std::sort(screens.begin(), screens.end(),
              [](const KTScreen &a, const KTScreen &b) { return a.name < b.name; });
    return screens;
}
