#include "KTOverlayWindow.h"

#include "KTAnimations.h"
#include "KTBackgroundView.h"
#include "KTWindow.h"

#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <QScreen>
#include <QThread>
#include <QVariantAnimation>
#include <QWindow>

#include <cmath>
#include <vector>

namespace {

/// Keeps a veil covering the view it dims when that view is resized.
class VeilFollower : public QObject
{
public:
    VeilFollower(QWidget *veil, QWidget *covered) : QObject(veil), m_veil(veil)
    {
        covered->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            m_veil->setGeometry(static_cast<QWidget *>(watched)->rect());
        return false;
    }

private:
    QWidget *m_veil;
};

KTBackgroundView *addVeil(QWidget *covered)
{
    auto *veil = new KTBackgroundView(covered);
    veil->setObjectName(QStringLiteral("KTOverlayVeil"));
    veil->setBackgroundColor(QColor(0, 0, 0, int(std::lround(0.6 * 255))));
    veil->setCanMoveWindow(true);
    veil->setGeometry(covered->rect());
    new VeilFollower(veil, covered);
    auto *effect = new QGraphicsOpacityEffect(veil);
    effect->setOpacity(0.0);
    veil->setGraphicsEffect(effect);
    veil->show();
    veil->raise();
    auto *fadeIn = new QPropertyAnimation(effect, "opacity", veil);
    fadeIn->setStartValue(0.0);
    fadeIn->setEndValue(1.0);
    KTAnimations::start(fadeIn, KTOverlayWindow::kFadeDuration, QAbstractAnimation::DeleteWhenStopped);
    return veil;
}

/// Fades the veils out together and deletes them at the end. The animation belongs to the
/// parent window, so closing that window mid-fade takes the veils and the animation with it.
void removeVeils(const std::vector<QPointer<KTBackgroundView>> &veils, QWidget *owner)
{
    auto *fadeOut = new QVariantAnimation(owner);
    fadeOut->setStartValue(1.0);
    fadeOut->setEndValue(0.0);
    QObject::connect(fadeOut, &QVariantAnimation::valueChanged, fadeOut, [veils](const QVariant &value) {
        for (const QPointer<KTBackgroundView> &veil : veils) {
            if (veil)
                static_cast<QGraphicsOpacityEffect *>(veil->graphicsEffect())->setOpacity(value.toDouble());
        }
    });
    QObject::connect(fadeOut, &QVariantAnimation::finished, fadeOut, [veils] {
        for (const QPointer<KTBackgroundView> &veil : veils)
            delete veil.data();
    });
    KTAnimations::start(fadeOut, KTOverlayWindow::kFadeDuration, QAbstractAnimation::DeleteWhenStopped);
}

} // namespace

KTOverlayWindow::KTOverlayWindow(QWidget *parent) : KTTopBarLessWindow(parent) {}

KTOverlayWindow::~KTOverlayWindow() = default;

void KTOverlayWindow::showInWindow(QWidget *parent, unsigned positionType, Completion completion)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    QWidget *parentWindow = parent ? parent->window() : nullptr;
    m_completion = std::move(completion);
    m_windowToCenter = parentWindow;
    m_positionType = positionType;

    std::vector<QPointer<KTBackgroundView>> veils;
    if (parentWindow) {
        auto *customWindow = qobject_cast<KTWindow *>(parentWindow);
        veils.emplace_back(addVeil(customWindow ? customWindow->contentView() : parentWindow));
        if (customWindow)
            veils.emplace_back(addVeil(customWindow->titleBarContainer()));
    }

    if (!testAttribute(Qt::WA_Resized))
        adjustSize();
    if (m_positionType == PositionCentered && parentWindow)
        center();
    if (parentWindow) {
        // Keeps the overlay above its parent where the window system stacks by transients.
        winId();
        if (QWindow *handle = windowHandle())
            handle->setTransientParent(parentWindow->windowHandle());
    }
    setWindowModality(Qt::ApplicationModal);
    // The modal loop may see the parent window closed and deleted, and this overlay with it when
    // it is the parent's child: nothing below touches either unless it is still there.
    const QPointer<QWidget> guardedParent(parentWindow);
    exec();

    if (guardedParent) {
        removeVeils(veils, guardedParent);
        guardedParent->activateWindow();
    }
}

void KTOverlayWindow::closeOverlay()
{
    if (m_completion)
        m_completion();
    done(0);
}

void KTOverlayWindow::reject()
{
    closeOverlay();
}

void KTOverlayWindow::center()
{
    if (m_windowToCenter && m_positionType == PositionCentered) {
        const QRect parent = m_windowToCenter->geometry();
        move(parent.x() + int(std::lround((parent.width() - width()) * 0.5)),
             parent.y() + int(std::lround((parent.height() - height()) * 0.5)));
        return;
    }
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
}
