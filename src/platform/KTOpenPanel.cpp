#include "KTOpenPanel.h"

#include "KTDispatch.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QTimer>

#include <algorithm>
#include <mutex>
#include <utility>

namespace {

/// Lists only the items the caller's rule enables.
class KTEnabledPathsModel : public QSortFilterProxyModel
{
public:
    KTEnabledPathsModel(std::function<bool(const QString &)> rule, QObject *parent)
        : QSortFilterProxyModel(parent), m_rule(std::move(rule))
    {}

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        const QString path = files->filePath(files->index(sourceRow, 0, sourceParent));
        return path.isEmpty() || m_rule(path);
    }

private:
    std::function<bool(const QString &)> m_rule;
};

/// A file dialog that takes package folders as chosen items instead of entering them.
class KTPackageFileDialog : public QFileDialog
{
public:
    KTPackageFileDialog(QWidget *parent, QStringList packageExtensions)
        : QFileDialog(parent), m_packageExtensions(std::move(packageExtensions))
    {
        // A double click on a package enters it; turn that into choosing it.
        connect(this, &QFileDialog::directoryEntered, this, [this](const QString &directory) {
            if (!isPackage(directory))
                return;
            QTimer::singleShot(0, this, [this, directory] {
                setDirectory(QFileInfo(directory).absolutePath());
                selectFile(directory);
                QDialog::accept();
            });
        });
    }

    void accept() override
    {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty() && std::all_of(chosen.cbegin(), chosen.cend(),
                                             [this](const QString &path) { return isPackage(path); })) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }

private:
    bool isPackage(const QString &path) const
    {
        const QFileInfo info(path);
        return info.isDir() && m_packageExtensions.contains(info.suffix(), Qt::CaseInsensitive);
    }

    QStringList m_packageExtensions;
};

class KTFileDialogPanel : public KTOpenPanel
{
public:
    explicit KTFileDialogPanel(QFileDialog *dialog) : m_dialog(dialog) {}

    void cancel() override
    {
        if (!m_dialog)
            return;
        m_dialog->disconnect(m_dialog, &QDialog::finished, nullptr, nullptr);
        m_dialog->close();
        m_dialog->deleteLater();
    }

private:
    QPointer<QFileDialog> m_dialog;
};

class KTFileDialogPresenter : public KTOpenPanelPresenter
{
public:
    std::shared_ptr<KTOpenPanel> beginSheet(QWidget *window, const KTOpenPanelOptions &options,
                                            Completion completion) override
    {
        Q_ASSERT(isMainThread());
        auto *dialog = new KTPackageFileDialog(window, options.packageExtensions);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
        if (!options.title.isEmpty())
            dialog->setWindowTitle(options.title);
        if (!options.prompt.isEmpty())
            dialog->setLabelText(QFileDialog::Accept, options.prompt);
        dialog->setDirectory(options.directory);
        if (options.canChooseDirectories && !options.canChooseFiles) {
            dialog->setFileMode(QFileDialog::Directory);
            dialog->setOption(QFileDialog::ShowDirsOnly);
        } else {
            dialog->setFileMode(options.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                                : QFileDialog::ExistingFile);
        }
        if (!options.nameFilters.isEmpty())
            dialog->setNameFilters(options.nameFilters);
        if (options.shouldEnablePath)
            dialog->setProxyModel(new KTEnabledPathsModel(options.shouldEnablePath, dialog));
        QObject::connect(dialog, &QDialog::finished, dialog,
                         [dialog, completion = std::move(completion)](int result) {
                             const QStringList paths =
                                 result == QDialog::Accepted ? dialog->selectedFiles() : QStringList();
                             dialog->deleteLater();
                             if (completion)
                                 completion(paths);
                         });
        dialog->open();
        // The folder mode takes one folder; its views take several when asked (they exist once
        // the dialog is open).
        if (options.allowsMultipleSelection) {
            for (QAbstractItemView *view : dialog->findChildren<QAbstractItemView *>())
                view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
        return std::make_shared<KTFileDialogPanel>(dialog);
    }
};

std::mutex s_mutex;
std::shared_ptr<KTOpenPanelPresenter> s_installed;

} // namespace

KTOpenPanelPresenter &KTOpenPanelPresenter::shared()
{
    static KTFileDialogPresenter fileDialog;
    std::lock_guard lock(s_mutex);
    return s_installed ? *s_installed : fileDialog;
}

std::shared_ptr<KTOpenPanelPresenter>
KTOpenPanelPresenter::install(std::shared_ptr<KTOpenPanelPresenter> presenter)
{
    std::lock_guard lock(s_mutex);
    return std::exchange(s_installed, std::move(presenter));
}
