#include "KTOpenPanel.h"

#include "KTTestFiles.h"
#include "KTTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

/// The file dialog the presenter showed over `window`.
QFileDialog *shownDialog(QWidget &window)
{
    const QList<QFileDialog *> dialogs = window.findChildren<QFileDialog *>();
    return dialogs.size() == 1 ? dialogs.first() : nullptr;
}

/// The names the dialog lists in its folder, once all `entries` of the folder have been read.
QStringList listedNames(QFileDialog &dialog, int entries)
{
    auto *proxy = qobject_cast<QSortFilterProxyModel *>(dialog.proxyModel());
    auto *files = proxy ? qobject_cast<QFileSystemModel *>(proxy->sourceModel()) : nullptr;
    if (!files)
        return {};
    const QModelIndex folder = files->index(dialog.directory().absolutePath());
    EXPECT_TRUE(waitUntil([&] { return files->rowCount(folder) == entries; }));
    const QModelIndex listed = proxy->mapFromSource(folder);
    QStringList names;
    for (int row = 0; row < proxy->rowCount(listed); ++row)
        names.append(proxy->index(row, 0, listed).data().toString());
    names.sort();
    return names;
}

} // namespace

// The toolkit's panel: not the desktop's native one, listing only what the caller enables, and
// taking a library folder as a chosen item instead of entering it.
TEST(KTOpenPanelTest, TheFileDialogListsEnabledItemsAndChoosesLibraryFolders)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("Family.photolibrary/Database"));
    QDir().mkpath(dir.filePath("Shoots"));
    writeFile(dir.filePath("Catalog.lrcat"), "sqlite");
    writeFile(dir.filePath("IMG_0001.JPG"), "jpeg");
    QWidget window;
    window.show();

    KTOpenPanelOptions options;
    options.directory = dir.path();
    options.packageExtensions = {"photolibrary"};
    options.shouldEnablePath = [](const QString &path) { return !path.endsWith(".JPG"); };
    std::optional<QStringList> answer;
    const std::shared_ptr<KTOpenPanel> panel = KTOpenPanelPresenter::shared().beginSheet(
        &window, options, [&](const QStringList &paths) { answer = paths; });
    QFileDialog *dialog = shownDialog(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(listedNames(*dialog, 4), (QStringList{"Catalog.lrcat", "Family.photolibrary", "Shoots"}));
    EXPECT_FALSE(answer) << "the answer never comes inside the call";

    // The user clicks the library in the list, then Open.
    auto *list = dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"));
    ASSERT_NE(list, nullptr);
    const auto *proxy = qobject_cast<QSortFilterProxyModel *>(dialog->proxyModel());
    const auto *files = qobject_cast<QFileSystemModel *>(proxy->sourceModel());
    list->selectionModel()->select(proxy->mapFromSource(files->index(dir.filePath("Family.photolibrary"))),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QMetaObject::invokeMethod(dialog, "accept");
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, QStringList{dir.filePath("Family.photolibrary")});
}

TEST(KTOpenPanelTest, FolderPanelTakesSeveralFoldersAndACancelledPanelNeverAnswers)
{
    QTemporaryDir dir;
    QWidget window;
    window.show();
    KTOpenPanelOptions options;
    options.directory = dir.path();
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = true;
    int answers = 0;
    const std::shared_ptr<KTOpenPanel> panel =
        KTOpenPanelPresenter::shared().beginSheet(&window, options, [&](const QStringList &) { ++answers; });
    QFileDialog *dialog = shownDialog(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    const QList<QAbstractItemView *> views = dialog->findChildren<QAbstractItemView *>();
    ASSERT_FALSE(views.isEmpty());
    for (const QAbstractItemView *view : views) {
        const bool listsFiles = view->objectName() == QLatin1String("listView") ||
                                view->objectName() == QLatin1String("treeView");
        EXPECT_TRUE(!listsFiles || view->selectionMode() == QAbstractItemView::ExtendedSelection)
            << view->objectName().toStdString();
    }

    panel->cancel();
    drainMainQueue();
    QApplication::processEvents();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(answers, 0);
    panel->cancel();
}
