#include "KTPathTextField.h"
#include "KTShareSystem.h"

#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// A desktop that records what the field asks of it; installed while it lives.
class RecordingDesktop : public KTShareSystem
{
public:
    void showItemsInFileManager(const QStringList &paths, std::function<void(bool)> done) override
    {
        revealed.append(paths);
        done(fileManagerAnswers);
    }
    bool openFolder(const QString &folder) override
    {
        openedFolders.append(folder);
        return true;
    }
    QList<KTDesktopEntry> imageEditors() override { return {}; }
    std::optional<KTDesktopEntry> applicationForExportTarget(const QString &) override
    {
        return std::nullopt;
    }
    bool openWithApplication(const KTDesktopEntry &, const QStringList &) override { return false; }
    bool canSendEmail() override { return false; }
    bool sendEmail(const QStringList &) override { return false; }

    bool fileManagerAnswers = true;
    QStringList revealed;
    QStringList openedFolders;
};

struct InstalledDesktop
{
    InstalledDesktop() { previous = KTShareSystem::install(desktop); }
    ~InstalledDesktop() { KTShareSystem::install(previous); }
    std::shared_ptr<RecordingDesktop> desktop = std::make_shared<RecordingDesktop>();
    std::shared_ptr<KTShareSystem> previous;
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
    InstalledDesktop installed;
    KTPathTextField field;
    field.resize(300, 20);
    field.setStringValue(QStringLiteral("/home/ann/Pictures/Hills"));
    EXPECT_FALSE(field.isUnderlined());
    hover(field, true);
    EXPECT_TRUE(field.isUnderlined());
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(installed.desktop->revealed, QStringList{"/home/ann/Pictures/Hills"});
    EXPECT_TRUE(installed.desktop->openedFolders.isEmpty());
    EXPECT_FALSE(field.isUnderlined()) << "even though the pointer is still over it";
    installed.desktop->fileManagerAnswers = false;
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(installed.desktop->openedFolders, QStringList{"/home/ann/Pictures"})
        << "no file manager: its folder";
    hover(field, true);
    field.setLastPathComponentColor(Qt::white);
    EXPECT_FALSE(field.isUnderlined());
    EXPECT_EQ(field.lastPathComponentColor(), QColor(Qt::white));
    hover(field, false);
    EXPECT_FALSE(field.isUnderlined());
}

TEST(KTPathTextFieldTest, AnEmptyPathShowsNothingAndAClickDoesNothing)
{
    InstalledDesktop installed;
    KTPathTextField field;
    field.resize(300, 20);
    field.setStringValue(QString());
    EXPECT_TRUE(field.displayedText().isEmpty());
    EXPECT_EQ(field.lastComponentRange(), (std::pair<qsizetype, qsizetype>(0, 0)));
    hover(field, true);
    EXPECT_FALSE(field.isUnderlined());
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_TRUE(installed.desktop->revealed.isEmpty());
    EXPECT_TRUE(installed.desktop->openedFolders.isEmpty());
    QImage picture(field.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    field.render(&picture);
}
