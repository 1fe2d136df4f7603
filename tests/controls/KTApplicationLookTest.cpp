#include "KTApplicationLook.h"

#include "KTColor.h"
#include "KTWidgetRendering.h"

#include <QCheckBox>
#include <QStyle>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

/// The mean difference in grey between the pixels of `rect` and `grey`.
double meanDifference(const QImage &image, const QRect &rect, const QColor &grey)
{
    long total = 0;
    long count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            total += std::abs(qGray(image.pixel(x, y)) - qGray(grey.rgb()));
            ++count;
        }
    }
    return count ? double(total) / double(count) : 0;
}

} // namespace

// An unchecked check box on the window grey shows where its box is, enabled or not: Fusion alone
// fills it with the text-field base, darker than the window, and it all but vanishes. (Menus keep
// Fusion's indicator: their unchecked items show no box.)
TEST(KTApplicationLookTest, UncheckedCheckBoxStandsOutFromTheWindowGrey)
{
    const std::unique_ptr<QStyle> style(KTApplicationLook::createStyle());
    for (const bool enabled : {true, false}) {
        QCheckBox check(QStringLiteral("Show tips at startup"));
        check.setStyle(style.get());
        check.setPalette(KTApplicationLook::palette());
        check.setEnabled(enabled);
        check.adjustSize();
        QStyleOptionButton option;
        option.initFrom(&check);
        const QRect box = style->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &check);
        ASSERT_FALSE(box.isEmpty());
        const QImage image = renderWidget(check, KTPalette::kWindow);
        EXPECT_GE(meanDifference(image, box, KTPalette::kWindow), 12.0) << "enabled: " << enabled;
    }
}
