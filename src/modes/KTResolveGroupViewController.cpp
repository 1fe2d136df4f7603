#include "KTResolveGroupViewController.h"

#include "KTAnimations.h"
#include "KTColor.h"
#include "KTFont.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QThread>
#include <QTimer>
#include <QVariantAnimation>

#include <cmath>

namespace {

constexpr double kFadeDuration = 0.5;
constexpr double kCornerRadius = 12.0;
constexpr double kCheckSize = 40.0;
constexpr int kPadding = 24;

QString resolvedTitle()
{
    return KTResolveGroupViewController::tr("Group Resolved");
}

QString resolvedDetail()
{
    return KTResolveGroupViewController::tr("Every image not picked is rejected");
}

// The share of the covered view's width a long detail may take before it is elided.
constexpr double kMaximumWidthShare = 0.8;

QPointer<KTResolveGroupViewController> &sharedInstance()
{
    static QPointer<KTResolveGroupViewController> s_instance;
    return s_instance;
}

} // namespace

KTResolveGroupViewController::KTResolveGroupViewController()
    : QWidget(nullptr), m_title(resolvedTitle()), m_detail(resolvedDetail())
{
    setObjectName(QStringLiteral("resolveGroupView"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(sizeHint());
}

KTResolveGroupViewController *KTResolveGroupViewController::sharedController()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    QPointer<KTResolveGroupViewController> &instance = sharedInstance();
    if (!instance)
        instance = new KTResolveGroupViewController;
    return instance;
}

void KTResolveGroupViewController::showInView(QWidget *view, std::function<void()> handler)
{
    sharedController()->present(view, resolvedTitle(), resolvedDetail(), 0.0, std::move(handler));
}

void KTResolveGroupViewController::showMessageInView(QWidget *view, const QString &title,
                                                     const QString &detail, double holdSeconds,
                                                     std::function<void()> handler)
{
    sharedController()->present(view, title, detail, holdSeconds, std::move(handler));
}

void KTResolveGroupViewController::present(QWidget *view, const QString &title, const QString &detail,
                                           double holdSeconds, std::function<void()> handler)
{
    if (isShown() || !view)
        return;
    m_title = title;
    m_detail = detail;
    setParent(view);
    view->installEventFilter(this);
    setAlphaValue(0.0);
    centerInParent();
    QWidget::show();
    raise();
    QPointer<KTResolveGroupViewController> self(this);
    // While animations are off the hold is skipped too, so the handler runs before this returns.
    const int hold = KTAnimations::isEnabled() ? int(holdSeconds * 1000) : 0;
    fade(0.0, 1.0, [self, hold, handler = std::move(handler)]() mutable {
        if (!self)
            return;
        auto fadeOut = [self, handler = std::move(handler)]() mutable {
            if (!self)
                return;
            self->fade(1.0, 0.0, [self, handler = std::move(handler)] {
                if (!self)
                    return;
                if (QWidget *covered = self->parentWidget())
                    covered->removeEventFilter(self);
                self->hide();
                self->setParent(nullptr);
                if (handler)
                    handler();
            });
        };
        if (hold > 0)
            QTimer::singleShot(hold, self.data(), std::move(fadeOut));
        else
            fadeOut();
    });
}

void KTResolveGroupViewController::fade(double from, double to, std::function<void()> then)
{
    auto *animation = new QVariantAnimation(this);
    animation->setStartValue(from);
    animation->setEndValue(to);
    connect(animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { setAlphaValue(value.toDouble()); });
    connect(animation, &QVariantAnimation::finished, this, [this, animation, to, then = std::move(then)] {
        setAlphaValue(to);
        animation->deleteLater();
        then();
    });
    KTAnimations::start(animation, kFadeDuration);
}

void KTResolveGroupViewController::setAlphaValue(double alpha)
{
    m_alpha = alpha;
    update();
}

void KTResolveGroupViewController::centerInParent()
{
    if (QWidget *covered = parentWidget()) {
        const QSize size = sizeHint();
        move((covered->width() - size.width()) / 2, (covered->height() - size.height()) / 2);
        resize(size);
    }
}

bool KTResolveGroupViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        centerInParent();
    return QWidget::eventFilter(watched, event);
}

QSize KTResolveGroupViewController::sizeHint() const
{
    const QFontMetricsF title(ktTitleFont());
    const QFontMetricsF detail(ktBodyFont());
    double width = std::max(title.horizontalAdvance(m_title), detail.horizontalAdvance(m_detail));
    if (const QWidget *covered = parentWidget())
        width = std::min(width, std::max(title.horizontalAdvance(m_title),
                                         covered->width() * kMaximumWidthShare - 2 * kPadding));
    const double height = kCheckSize + 12 + title.height() + 4 + detail.height();
    return {int(std::ceil(width)) + 2 * kPadding, int(std::ceil(height)) + 2 * kPadding};
}

void KTResolveGroupViewController::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_alpha);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor panel = KTPalette::kPanel;
    panel.setAlphaF(0.92);
    painter.setPen(QPen(KTPalette::kLine, 1.0));
    painter.setBrush(panel);
    painter.drawRoundedRect(bounds, kCornerRadius, kCornerRadius);

    // A check mark in a ring, in the pick colour.
    const QRectF ring(width() / 2.0 - kCheckSize / 2, kPadding, kCheckSize, kCheckSize);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(KTPalette::kAccent, 2.0));
    painter.drawEllipse(ring.adjusted(1, 1, -1, -1));
    QPainterPath check;
    check.moveTo(ring.left() + kCheckSize * 0.28, ring.top() + kCheckSize * 0.52);
    check.lineTo(ring.left() + kCheckSize * 0.44, ring.top() + kCheckSize * 0.68);
    check.lineTo(ring.left() + kCheckSize * 0.73, ring.top() + kCheckSize * 0.36);
    painter.setPen(QPen(KTPalette::kAccent, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(check);

    const QFontMetricsF title(ktTitleFont());
    const QFontMetricsF detail(ktBodyFont());
    const QRectF titleRect(0, ring.bottom() + 12, width(), title.height());
    painter.setFont(ktTitleFont());
    painter.setPen(KTPalette::kText);
    painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignVCenter, m_title);
    painter.setFont(ktBodyFont());
    painter.setPen(KTPalette::kSecondaryText);
    painter.drawText(QRectF(0, titleRect.bottom() + 4, width(), detail.height()),
                     Qt::AlignHCenter | Qt::AlignVCenter,
                     detail.elidedText(m_detail, Qt::ElideMiddle, width() - 2.0 * kPadding));
}
