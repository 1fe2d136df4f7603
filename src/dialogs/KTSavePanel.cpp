#include "KTSavePanel.h"

#include <QFileDialog>

#include <utility>

namespace {

class KTFileDialogSavePresenter : public KTSavePanelPresenter
{
public:
    void beginSheet(QWidget *window, const KTSavePanelOptions &options, Completion completion) override
    {
        auto *dialog = new QFileDialog(window, options.title);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        // The same dialog as the open panels, for one look.
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->selectFile(options.suggestedName);
        dialog->setDefaultSuffix(options.defaultSuffix);
        QStringList filters = options.nameFilters;
        filters.append(QFileDialog::tr("All Files (*)"));
        dialog->setNameFilters(filters);
        QObject::connect(
            dialog, &QFileDialog::finished, dialog, [dialog, completion = std::move(completion)](int result) {
                const QStringList files = dialog->selectedFiles();
                if (completion)
                    completion(result == QDialog::Accepted && !files.isEmpty() ? files.first() : QString());
            });
        dialog->open();
    }
};

std::shared_ptr<KTSavePanelPresenter> s_installed;

} // namespace

KTSavePanelPresenter &KTSavePanelPresenter::shared()
{
    static KTFileDialogSavePresenter dialog;
    return s_installed ? *s_installed : dialog;
}

std::shared_ptr<KTSavePanelPresenter>
KTSavePanelPresenter::install(std::shared_ptr<KTSavePanelPresenter> presenter)
{
    return std::exchange(s_installed, std::move(presenter));
}
