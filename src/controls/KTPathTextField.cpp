#include "KTPathTextField.h"

#include "KTColor.h"
#include "KTShareSystem.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

const QColor kDefaultLastComponentColor = QColor::fromRgbF(163.0f / 255, 163.0f / 255, 163.0f / 255, 1.0f);

} // namespace

KTPathTextField::KTPathTextField(QWidget *parent) : KTLocalizedTextField(parent)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, KTPalette::kSecondaryText);
    setPalette(colours);
    setAttribute(Qt::WA_Hover);
}

void KTPathTextField::setStringValue(const QString &path, Underline underline)
{
    m_path = path;
    m_underlined = underline == Underline::Yes && !path.isEmpty();
    setToolTip(path);
    setAccessibleName(path);
    setCursor(path.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    updateGeometry();
    update();
}

QColor KTPathTextField::lastPathComponentColor() const
{
    return m_lastPathComponentColor.value_or(kDefaultLastComponentColor);
}

void KTPathTextField::setLastPathComponentColor(const QColor &color)
{
    if (m_lastPathComponentColor && *m_lastPathComponentColor == color)
        return;
    m_lastPathComponentColor = color;
    setStringValue(m_path, Underline::No);
}

qsizetype KTPathTextField::lastComponentStart(const QString &path, qsizetype *end)
{
    // As the path's last component is usually understood: trailing slashes do not count, and
    // "/" alone is its own last component.
    qsizetype stop = path.size();
    while (stop > 1 && path[stop - 1] == QLatin1Char('/'))
        --stop;
    qsizetype start = stop;
    while (start > 0 && path[start - 1] != QLatin1Char('/'))
        --start;
    if (start == stop && stop > 0)
        start = stop - 1;
    *end = stop;
    return start;
}

QString KTPathTextField::displayedText() const
{
    return QFontMetricsF(font()).elidedText(m_path, Qt::ElideLeft, contentsRect().width());
}

std::pair<qsizetype, qsizetype> KTPathTextField::lastComponentRange() const
{
    if (m_path.isEmpty())
        return {0, 0};
    qsizetype end = 0;
    const qsizetype start = lastComponentStart(m_path, &end);
    const QString shown = displayedText();
    // Elision keeps an end of the path behind the ellipsis; the component is what of it shows.
    const qsizetype kept = shown == m_path ? shown.size() : shown.size() - 1;
    const qsizetype tailAfterEnd = m_path.size() - end;
    const qsizetype visibleStart = std::max(shown.size() - kept, shown.size() - (m_path.size() - start));
    const qsizetype visibleEnd = shown.size() - tailAfterEnd;
    if (visibleEnd <= visibleStart)
        return {0, 0};
    return {visibleStart, visibleEnd - visibleStart};
}

QSize KTPathTextField::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const QMargins margins = contentsMargins();
    return {int(std::ceil(metrics.horizontalAdvance(m_path))) + margins.left() + margins.right(),
            int(std::ceil(metrics.height())) + margins.top() + margins.bottom()};
}

QSize KTPathTextField::minimumSizeHint() const
{
    // A path of any length fits any width: its start gives way.
    return {0, sizeHint().height()};
}

void KTPathTextField::paintEvent(QPaintEvent *)
{
    const QString shown = displayedText();
    if (shown.isEmpty())
        return;
    QPainter painter(this);
    QFont used = font();
    used.setUnderline(m_underlined);
    painter.setFont(used);
    const QFontMetricsF metrics(used);
    const QRectF area(contentsRect());
    const double baseline =
        area.top() + std::round((area.height() - metrics.height()) / 2) + metrics.ascent();
    const auto [start, length] = lastComponentRange();
    const QString before = shown.left(start);
    const QString component = shown.mid(start, length);
    const QString after = shown.mid(start + length);
    double x = area.left();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPointF(x, baseline), before);
    x += metrics.horizontalAdvance(before);
    painter.setPen(lastPathComponentColor());
    painter.drawText(QPointF(x, baseline), component);
    x += metrics.horizontalAdvance(component);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPointF(x, baseline), after);
}

void KTPathTextField::enterEvent(QEnterEvent *event)
{
    KTLocalizedTextField::enterEvent(event);
    setStringValue(m_path, Underline::Yes);
}

void KTPathTextField::leaveEvent(QEvent *event)
{
    KTLocalizedTextField::leaveEvent(event);
    setStringValue(m_path, Underline::No);
}

void KTPathTextField::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || m_path.isEmpty())
        return;
    // When no file manager answers, the folder that holds the item opens instead.
    const QString folder = QFileInfo(m_path).absolutePath();
    KTShareSystem::shared().showItemsInFileManager({m_path}, [folder](bool shown) {
        if (!shown)
            KTShareSystem::shared().openFolder(folder);
    });
    setStringValue(m_path, Underline::No);
}
