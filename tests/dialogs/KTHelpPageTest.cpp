#include "KTHelpPage.h"

#include "KTTestFiles.h"
#include "KTTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

/// The lines of the README section titled `title`, up to the next section.
QStringList readmeSection(const QString &title)
{
    const QStringList lines = QString::fromUtf8(readFile(QStringLiteral(VS_README))).split(QLatin1Char('\n'));
    const qsizetype start = lines.indexOf(QStringLiteral("## ") + title);
    if (start < 0)
        return {};
    QStringList section;
    for (qsizetype i = start + 1; i < lines.size() && !lines[i].startsWith(QStringLiteral("## ")); ++i)
        section.append(lines[i]);
    return section;
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped().replace(QStringLiteral("&quot;"), QStringLiteral("\""));
}

} // namespace

// The page the program ships says what the README says: every row of the key table and no other,
// every mode with its key, every place where things live.
TEST(KTHelpPageTest, TheShippedPageHoldsTheReadmesKeysModesAndPlaces)
{
    const QString path = KTHelpPage::pathForProgramFolder(QStringLiteral("/nonexistent/bin"));
    ASSERT_FALSE(path.isEmpty()) << "no help page in the build tree";
    const QString page = QString::fromUtf8(readFile(path));

    int rows = 0;
    for (const QString &line : readmeSection(QStringLiteral("Keys of the review"))) {
        if (!line.startsWith(QStringLiteral("| ")) || line.startsWith(QStringLiteral("| Key |")) ||
            line.startsWith(QStringLiteral("| ---")))
            continue;
        const QStringList cells = line.mid(2, line.size() - 4).split(QStringLiteral(" | "));
        ASSERT_EQ(cells.size(), 2) << line.toStdString();
        ++rows;
        EXPECT_TRUE(page.contains(QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                                      .arg(escaped(cells[0].trimmed()), escaped(cells[1].trimmed()))))
            << "the page lacks the row " << line.toStdString();
    }
    EXPECT_GE(rows, 20);
    EXPECT_EQ(page.count(QStringLiteral("<tr>")), rows) << "the page has rows the README does not";

    int modes = 0;
    static const QRegularExpression kMode(QStringLiteral("^- ([A-Z][a-z]+(?: [A-Z][a-z]+)?) \\(([A-Z])\\):"));
    for (const QString &line : readmeSection(QStringLiteral("The modes"))) {
        const QRegularExpressionMatch mode = kMode.match(line);
        if (!mode.hasMatch())
            continue;
        ++modes;
        EXPECT_TRUE(page.contains(QStringLiteral("<li>%1 (%2):").arg(mode.captured(1), mode.captured(2))))
            << "the page lacks the mode " << mode.captured(1).toStdString();
    }
    EXPECT_EQ(modes, 4);

    static const QRegularExpression kPlace(QStringLiteral("`([^`]+)`"));
    int places = 0;
    for (const QString &line : readmeSection(QStringLiteral("Where things live"))) {
        for (const QRegularExpressionMatch &place : kPlace.globalMatch(line)) {
            ++places;
            EXPECT_TRUE(page.contains(QStringLiteral("<code>%1</code>").arg(escaped(place.captured(1)))))
                << "the page lacks " << place.captured(1).toStdString();
        }
    }
    EXPECT_GE(places, 8);
}

// An installed program finds the page beside it (<prefix>/share/vireoscope), before the build
// tree's copy; Help opens the page in the desktop's browser.
TEST(KTHelpPageTest, AnInstalledPageBesideTheProgramComesFirstAndHelpOpensThePage)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir().mkpath(prefix.filePath(QStringLiteral("bin"))));
    ASSERT_TRUE(QDir().mkpath(prefix.filePath(QStringLiteral("share/vireoscope"))));
    const QString installed = prefix.filePath(KTHelpPage::kInstalledPath);
    writeFile(installed, "<html></html>");
    EXPECT_EQ(KTHelpPage::pathForProgramFolder(prefix.filePath(QStringLiteral("bin"))), installed);
    QFile::remove(installed);
    const QString buildTree = KTHelpPage::pathForProgramFolder(prefix.filePath(QStringLiteral("bin")));
    EXPECT_TRUE(buildTree.endsWith(QStringLiteral("/share/vireoscope/help.html")));
    EXPECT_FALSE(buildTree.startsWith(prefix.path()));

    QList<QUrl> opened;
    KTUrlRecorder desktop(QStringLiteral("file"), [&](const QUrl &url) { opened.append(url); });
    EXPECT_TRUE(KTHelpPage::open());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], KTHelpPage::url());
    EXPECT_TRUE(QFileInfo(opened[0].toLocalFile()).isFile());
}
