#include "KTPathTextField.h"

#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// Records the paths shown in the file manager while it lives.
struct RevealRecorder
{
    RevealRecorder()
    {
        KTPathTextField::setRevealer([this](const QString &path) { revealed.append(path); });
    }
    ~RevealRecorder() { KTPathTextField::setRevealer({}); }
    QStringList revealed;
};

QString lastComponentShown(const KTPathTextField &field)
{
    const auto [start, length] = field.lastComponentRange();
    return field.displayedText().mid(start, length);
}

void hover(QWidget &widget, bool inside)
{
    if (inside) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&widget, &leave);
    }
}

} // namespace

TEST(KTPathTextFieldTest, ALongPathLosesItsStartAndKeepsItsLastComponentInItsColour)
{
    struct Case
    {
        QString path;
        int width;
        QString component;
        bool elided;
    };
    const Case cases[] = {
        {QStringLiteral("/Volumes/Photos/2014/Hills of the North/Day 2/IMG_0042.CR2"), 160,
         QStringLiteral("IMG_0042.CR2"), true},
        {QStringLiteral("/home/ann/Pictures/Harbour"), 600, QStringLiteral("Harbour"), false},
        {QStringLiteral("/home/ann/Pictures/Market/"), 600, QStringLiteral("Market"), false},
        {QStringLiteral("/"), 600, QStringLiteral("/"), false},
        {QStringLiteral("Harbour.jpg"), 600, QStringLiteral("Harbour.jpg"), false},
    };
    for (const Case &c : cases) {
        KTPathTextField field;
        field.resize(c.width, 20);
        field.setStringValue(c.path);
        const QString shown = field.displayedText();
        EXPECT_EQ(shown != c.path, c.elided) << qPrintable(c.path);
        if (c.elided) {
            EXPECT_TRUE(shown.startsWith(QChar(0x2026))) << qPrintable(shown);
        }
        EXPECT_TRUE(shown.endsWith(c.path.right(
            c.path.endsWith('/') && c.path.size() > 1 ? c.component.size() + 1 : c.component.size())))
            << qPrintable(shown);
        EXPECT_EQ(lastComponentShown(field), c.component) << qPrintable(c.path);
        EXPECT_LT(field.fontMetrics().horizontalAdvance(shown), c.width + 1);
    }
    KTPathTextField field;
    EXPECT_EQ(field.lastPathComponentColor(), QColor::fromRgbF(163.0f / 255, 163.0f / 255, 163.0f / 255));
    EXPECT_EQ(field.minimumSizeHint().width(), 0) << "any path fits any width";
}

TEST(KTPathTextFieldTest, HoverUnderlinesAndAClickRevealsThePathAndClearsTheUnderline)
{
    RevealRecorder recorder;
    KTPathTextField field;
    field.resize(300, 20);
    field.setStringValue(QStringLiteral("/home/ann/Pictures/Hills"));
    EXPECT_FALSE(field.isUnderlined());
    hover(field, true);
    EXPECT_TRUE(field.isUnderlined());
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(recorder.revealed, QStringList{"/home/ann/Pictures/Hills"});
    EXPECT_FALSE(field.isUnderlined()) << "even though the pointer is still over it";
    hover(field, true);
    field.setLastPathComponentColor(Qt::white);
    EXPECT_FALSE(field.isUnderlined());
    EXPECT_EQ(field.lastPathComponentColor(), QColor(Qt::white));
    hover(field, false);
    EXPECT_FALSE(field.isUnderlined());
}

TEST(KTPathTextFieldTest, AnEmptyPathShowsNothingAndAClickDoesNothing)
{
    RevealRecorder recorder;
    KTPathTextField field;
    field.resize(300, 20);
    field.setStringValue(QString());
    EXPECT_TRUE(field.displayedText().isEmpty());
    EXPECT_EQ(field.lastComponentRange(), (std::pair<qsizetype, qsizetype>(0, 0)));
    hover(field, true);
    EXPECT_FALSE(field.isUnderlined());
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_TRUE(recorder.revealed.isEmpty());
    QImage picture(field.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    field.render(&picture);
}
