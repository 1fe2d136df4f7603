#include "KTWindow.h"

#include "KTColor.h"
#include "KTControl.h"
#include "KTTitlebarView.h"
#include "KTWindowWithCustomButtons.h"
#include "VQTitlebarContainer.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

/// What the strip's state update enables and disables among the direct children of the
/// title-bar view.
/// Room between the window buttons and whatever the strip holds beside them.
constexpr int kButtonsGap = 8;

bool isControl(const QWidget *widget)
{
    return qobject_cast<const KTControl *>(widget) || qobject_cast<const QAbstractButton *>(widget) ||
           qobject_cast<const QAbstractSlider *>(widget) || qobject_cast<const QLineEdit *>(widget);
}

} // namespace

KTWindow::KTWindow(QWidget *parent)
    : QMainWindow(parent), m_frame(new QWidget(this)), m_container(new VQTitlebarContainer(m_frame)),
      m_windowButtons(new KTWindowWithCustomButtons(m_container))
{
    QPalette colours = palette();
    colours.setColor(QPalette::Window, KTPalette::kWindow);
    setPalette(colours);
    setAutoFillBackground(true);
    setCentralWidget(m_frame);
    m_frame->installEventFilter(this);
    m_windowButtons->hide();
    setTitleBarView(new KTTitlebarView);
    setContentView(new QWidget);
    layoutTitleBar();
}

KTWindow::~KTWindow() = default;

void KTWindow::setTitleBarView(QWidget *view)
{
    if (!view || view == m_titleBarView)
        return;
    delete m_titleBarView;
    m_titleBarView = view;
    view->setParent(m_container);
    view->setGeometry(m_container->rect());
    view->setVisible(!(m_fullScreen && m_hideTitleBarInFullScreen));
    // The window buttons stay above whatever fills the strip.
    m_windowButtons->raise();
    updateTitleBarState();
}

QWidget *KTWindow::titleBarContainer() const
{
    return m_container;
}

void KTWindow::setContentView(QWidget *view)
{
    if (!view || view == m_contentView)
        return;
    delete m_contentView;
    m_contentView = view;
    view->setParent(m_frame);
    view->show();
    layoutTitleBar();
}

void KTWindow::setTitleBarHeight(double height)
{
    if (height == m_titleBarHeight)
        return;
    m_titleBarHeight = height;
    m_cachedTitleBarHeight = height;
    layoutTitleBar();
    m_titleBarView->update();
}

void KTWindow::setShowsBaselineSeparator(bool shows)
{
    if (shows == m_showsBaselineSeparator)
        return;
    m_showsBaselineSeparator = shows;
    m_titleBarView->update();
}

void KTWindow::setTrafficLightButtonsLeftMargin(double margin)
{
    if (margin == m_buttonsLeftMargin)
        return;
    m_buttonsLeftMargin = margin;
    layoutTitleBar();
    m_titleBarView->update();
}

void KTWindow::setCenterTrafficLightButtons(bool center)
{
    if (center == m_centerButtons)
        return;
    m_centerButtons = center;
    layoutTitleBar();
}

void KTWindow::setTitleBarDrawingBlock(TitleBarDrawingBlock block)
{
    m_drawingBlock = std::move(block);
    m_titleBarView->update();
}

bool KTWindow::performKeyEquivalent(const QKeyEvent &event)
{
    QWidget *handler = m_keyEquivalentHandler;
    if (!handler)
        return false;
    if (auto *control = qobject_cast<KTControl *>(handler))
        return control->performKeyEquivalent(event);
    return KTControl::dispatchKeyEquivalent(handler, event);
}

double KTWindow::sheetTopY() const
{
    return m_frame->y() + m_titleBarHeight;
}

bool KTWindow::isActiveLook() const
{
    return isActiveWindow();
}

QPainterPath KTWindow::titleBarClipPath(const QRectF &rect)
{
    const double r = std::min({kCornerClipRadius, rect.width() / 2, rect.height()});
    QPainterPath path;
    path.moveTo(rect.bottomLeft());
    path.lineTo(rect.left(), rect.top() + r);
    path.arcTo(QRectF(rect.left(), rect.top(), 2 * r, 2 * r), 180, -90);
    path.lineTo(rect.right() - r, rect.top());
    path.arcTo(QRectF(rect.right() - 2 * r, rect.top(), 2 * r, 2 * r), 90, -90);
    path.lineTo(rect.bottomRight());
    path.closeSubpath();
    return path;
}

void KTWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        updateTitleBarState();
    else if (event->type() == QEvent::WindowStateChange)
        fullScreenDidChange(windowState().testFlag(Qt::WindowFullScreen));
}

void KTWindow::keyPressEvent(QKeyEvent *event)
{
    if (performKeyEquivalent(*event)) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool KTWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_frame && event->type() == QEvent::Resize)
        layoutTitleBar();
    return QMainWindow::eventFilter(watched, event);
}

void KTWindow::layoutTitleBar()
{
    const int width = m_frame->width();
    const int stripHeight = int(std::lround(m_titleBarHeight));
    m_container->setGeometry(0, 0, width, stripHeight);
    if (m_titleBarView)
        m_titleBarView->setGeometry(m_container->rect());

    // The formulas are the strip's own, with y measured upwards from its bottom edge.
    const double buttonHeight = m_windowButtons->height();
    const double yUp = m_centerButtons ? std::round(stripHeight * 0.5 - buttonHeight * 0.5)
                                       : stripHeight - buttonHeight - kButtonTopOffset;
    m_windowButtons->move(int(std::lround(m_buttonsLeftMargin)),
                          int(std::lround(stripHeight - yUp - buttonHeight)));
    const bool buttonsShown =
        m_fullScreen && stripHeight > 0 && m_titleBarView && !m_titleBarView->isHidden();
    m_windowButtons->setVisible(buttonsShown);
    m_windowButtons->raise();
    // A layout in the title-bar view (the toolbar) keeps clear of the buttons while they show.
    if (m_titleBarView) {
        const int reserved = buttonsShown ? m_windowButtons->x() + m_windowButtons->width() + kButtonsGap : 0;
        m_titleBarView->setContentsMargins(reserved, 0, 0, 0);
    }

    if (m_contentView)
        m_contentView->setGeometry(0, stripHeight, width, std::max(0, m_frame->height() - stripHeight));
}

void KTWindow::updateTitleBarState()
{
    if (!m_titleBarView)
        return;
    m_titleBarView->update();
    const bool active = isActiveLook();
    for (QObject *child : m_titleBarView->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && !widget->isWindow() && isControl(widget))
            widget->setEnabled(active);
    }
}

void KTWindow::fullScreenDidChange(bool fullScreen)
{
    if (fullScreen == m_fullScreen)
        return;
    m_fullScreen = fullScreen;
    if (m_hideTitleBarInFullScreen) {
        m_titleBarHeight = fullScreen ? 0.0 : m_cachedTitleBarHeight;
        m_titleBarView->setVisible(!fullScreen);
    }
    layoutTitleBar();
    m_titleBarView->update();
    if (fullScreen)
        emit enteredFullScreen();
    else
        emit exitedFullScreen();
}
