#include "KTApplicationLook.h"

#include "KTColor.h"

#include <QApplication>
#include <QMenu>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolTip>

namespace {

/// Fusion fills a check box's indicator with the text-field base and outlines it in a shade of the
/// window; on these greys both are darker than the window, so an unchecked box all but vanishes.
/// The indicator of a check box widget takes the raised grey instead. Menus keep Fusion's: their
/// checkable items read as a check mark beside the chosen one, not as a column of boxes.
class LookStyle : public QProxyStyle
{
public:
    LookStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element == PE_IndicatorCheckBox && !qobject_cast<const QMenu *>(widget)) {
            if (const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option)) {
                QStyleOptionButton raised(*button);
                raised.palette.setColor(QPalette::Base, KTPalette::kRaised);
                QProxyStyle::drawPrimitive(element, &raised, painter, widget);
                return;
            }
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

} // namespace

void KTApplicationLook::apply()
{
    QApplication::setStyle(createStyle());
    const QPalette look = palette();
    QApplication::setPalette(look);
    QToolTip::setPalette(look);
}

QStyle *KTApplicationLook::createStyle()
{
    return new LookStyle;
}

QPalette KTApplicationLook::palette()
{
    QPalette palette;
    const auto setBoth = [&palette](QPalette::ColorRole role, const QColor &colour) {
        palette.setColor(QPalette::Active, role, colour);
        palette.setColor(QPalette::Inactive, role, colour);
    };
    setBoth(QPalette::Window, KTPalette::kWindow);
    setBoth(QPalette::WindowText, KTPalette::kText);
    setBoth(QPalette::Base, KTPalette::kPanel);
    setBoth(QPalette::AlternateBase, KTPalette::kWindow);
    setBoth(QPalette::ToolTipBase, KTPalette::kRaised);
    setBoth(QPalette::ToolTipText, KTPalette::kText);
    setBoth(QPalette::PlaceholderText, KTPalette::kSecondaryText);
    setBoth(QPalette::Text, KTPalette::kText);
    setBoth(QPalette::Button, KTPalette::kRaised);
    setBoth(QPalette::ButtonText, KTPalette::kText);
    setBoth(QPalette::BrightText, Qt::white);
    setBoth(QPalette::Light, KTPalette::kHover);
    setBoth(QPalette::Midlight, KTPalette::kRaised);
    setBoth(QPalette::Mid, KTPalette::kPanel);
    setBoth(QPalette::Dark, KTPalette::kLine);
    setBoth(QPalette::Shadow, Qt::black);
    setBoth(QPalette::Link, KTPalette::kAccent);
    setBoth(QPalette::LinkVisited, KTPalette::kAccent.darker(130));
    // A neutral selection: a tinted highlight would colour every list and text field.
    setBoth(QPalette::Highlight, QColor(82, 82, 82));
    setBoth(QPalette::HighlightedText, Qt::white);

    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, KTPalette::kDisabled);
    palette.setColor(QPalette::Disabled, QPalette::Window, KTPalette::kWindow);
    palette.setColor(QPalette::Disabled, QPalette::Base, KTPalette::kPanel);
    palette.setColor(QPalette::Disabled, QPalette::Button, KTPalette::kPanel);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, KTPalette::kRaised);
    // Fusion etches disabled menu text with the light colour; on dark grey that reads as a
    // doubled, blurred title.
    palette.setColor(QPalette::Disabled, QPalette::Light, Qt::transparent);
    return palette;
}
