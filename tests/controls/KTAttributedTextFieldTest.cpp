#include "KTAttributedTextField.h"
#include "KTFont.h"
#include "KTVertCenteredTextFieldCell.h"

#include <QFontMetricsF>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class DoubleClickRecorder : public QObject, public KTAttributedTextFieldDelegate
{
public:
    void doubleClickFromTextField(KTAttributedTextField *field) override { fields.push_back(field); }
    std::vector<KTAttributedTextField *> fields;
};

} // namespace

TEST(KTAttributedTextFieldTest, StylingAddsShadowAndUnderlineUnderWhatTheTextAlreadyHas)
{
    const QFont font = ktFont(QStringLiteral("DejaVu Sans"), 12);
    const KTTextShadow ownShadow{Qt::red, QPointF(2, 2)};
    struct Case
    {
        const char *name;
        bool noNeedShadow;
        bool underlineText;
        KTTextAttributes given;
        std::optional<KTTextShadow> shadow;
        std::optional<bool> underline;
    };
    KTTextAttributes plain;
    plain.font = font;
    plain.foregroundColor = Qt::yellow;
    KTTextAttributes withShadow = plain;
    withShadow.shadow = ownShadow;
    KTTextAttributes notUnderlined = plain;
    notUnderlined.underline = false;
    const Case cases[] = {
        {"default", false, false, plain, KTTextShadow::controlShadow(), std::nullopt},
        {"no shadow", true, false, plain, std::nullopt, std::nullopt},
        {"underlined", false, true, plain, KTTextShadow::controlShadow(), true},
        {"text's shadow wins", false, false, withShadow, ownShadow, std::nullopt},
        {"text's underline wins", true, true, notUnderlined, std::nullopt, false},
    };
    for (const Case &c : cases) {
        KTAttributedTextField field;
        field.setNoNeedShadow(c.noNeedShadow);
        field.setUnderlineText(c.underlineText);
        field.setTextAttributes(c.given);
        field.setStringValue(QStringLiteral("Similar Groups"));
        const KTTextAttributes styled = field.textAttributes();
        EXPECT_EQ(styled.shadow, c.shadow) << c.name;
        EXPECT_EQ(styled.underline, c.underline) << c.name;
        EXPECT_EQ(styled.font, c.given.font) << c.name;
        EXPECT_EQ(styled.foregroundColor, c.given.foregroundColor) << c.name;
        if (c.underline == true && !c.given.underline) {
            EXPECT_EQ(styled.underlineColor, field.textColor()) << c.name;
        }
        if (c.noNeedShadow && !c.underlineText) {
            EXPECT_EQ(styled, c.given) << "only the text's own attributes: " << c.name;
        }
    }
}

TEST(KTAttributedTextFieldTest, AnEmptyTextStaysUnstyledUntilATextIsSet)
{
    KTAttributedTextField field(QString(), {}, QStringLiteral("E-mail"));
    EXPECT_FALSE(field.textAttributes().shadow);
    EXPECT_EQ(field.placeholderText(), "E-mail");
    field.setStringValue(QStringLiteral("Picks"));
    EXPECT_EQ(field.textAttributes().shadow, KTTextShadow::controlShadow());
    EXPECT_EQ(field.stringValue(), "Picks");

    const QColor before = field.textColor();
    field.setTextColor(Qt::green);
    EXPECT_EQ(field.textAttributes().foregroundColor, QColor(Qt::green));
    EXPECT_EQ(field.textColor(), before) << "the field's own colour is left alone";

    field.resize(200, 22);
    const QSizeF size = field.textSize();
    EXPECT_NEAR(size.width(), QFontMetricsF(field.font()).horizontalAdvance(QStringLiteral("Picks")), 0.5);
    QImage picture(field.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::black);
    field.render(&picture);
    bool drawn = false;
    for (int x = 0; x < 60 && !drawn; ++x) {
        for (int y = 0; y < 22 && !drawn; ++y)
            drawn = qGreen(picture.pixel(x, y)) > 200 && qRed(picture.pixel(x, y)) < 80;
    }
    EXPECT_TRUE(drawn) << "the text shows in its new colour";
}

TEST(KTAttributedTextFieldTest, ADoubleClickGoesToTheDelegateWhenThereIsOne)
{
    KTAttributedTextField field;
    field.resize(200, 22);
    field.setStringValue(QStringLiteral("Harbour Market"));
    QTest::mouseDClick(&field, Qt::LeftButton, {}, QPoint(10, 11));
    EXPECT_FALSE(field.selectedText().isEmpty()) << "without a delegate a word is selected";

    field.deselect();
    DoubleClickRecorder delegate;
    field.setTextFieldDelegate(&delegate);
    QTest::mouseDClick(&field, Qt::LeftButton, {}, QPoint(10, 11));
    ASSERT_EQ(delegate.fields.size(), 1u);
    EXPECT_EQ(delegate.fields[0], &field);
    EXPECT_TRUE(field.selectedText().isEmpty());

    QObject notADelegate;
    field.setTextFieldDelegate(&notADelegate);
    QTest::mouseDClick(&field, Qt::LeftButton, {}, QPoint(10, 11));
    EXPECT_EQ(delegate.fields.size(), 1u);
}

namespace {
class CursorProbe : public KTVertCenteredTextFieldCell
{
public:
    using KTVertCenteredTextFieldCell::cursorRect;
};
} // namespace

// The text line starts at floor((field height - line height) / 2) for displaying and editing alike.
TEST(KTVertCenteredTextFieldCellTest, TheTextLineSitsCentredOnTheLineHeight)
{
    for (const int height : {22, 30, 17}) {
        CursorProbe field;
        field.setFont(ktFont(QStringLiteral("DejaVu Sans"), 12));
        field.resize(160, height);
        field.setText(QStringLiteral("someone@example.com"));
        const double line = QFontMetricsF(field.font()).lineSpacing();
        const QRectF drawing = field.drawingRectForBounds(QRectF(field.rect()));
        EXPECT_EQ(drawing.y(), std::floor((height - line) * 0.5)) << height;
        QImage picture(field.size(), QImage::Format_ARGB32_Premultiplied);
        field.render(&picture);
        EXPECT_EQ(field.cursorRect().top(), int(drawing.y())) << height;
    }
    EXPECT_EQ(
        KTVertCenteredTextFieldCell::drawingRectForBounds(QRectF(0, 0, 100, 22), QRectF(2, 1, 96, 20), 16),
        QRectF(2, 3, 96, 22));
}
