#include "KTFilePanel.h"

#include <QFileDialog>

#include <utility>

namespace {

class KTFileDialogPresenter : public KTFilePanelPresenter
{
public:
    void begin(QWidget *window, const KTFilePanelRequest &request, Completion completion) override
    {
        auto *dialog = new QFileDialog(window, request.title);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        if (request.kind == KTFilePanelRequest::Kind::Save) {
            dialog->setAcceptMode(QFileDialog::AcceptSave);
            dialog->setFileMode(QFileDialog::AnyFile);
            dialog->selectFile(request.suggestedName);
            dialog->setDefaultSuffix(request.defaultSuffix);
        } else {
            dialog->setAcceptMode(QFileDialog::AcceptOpen);
            dialog->setFileMode(QFileDialog::ExistingFile);
        }
        QStringList filters = request.nameFilters;
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

std::shared_ptr<KTFilePanelPresenter> s_installed;

} // namespace

KTFilePanelPresenter &KTFilePanelPresenter::shared()
{
    static KTFileDialogPresenter dialog;
    return s_installed ? *s_installed : dialog;
}

std::shared_ptr<KTFilePanelPresenter>
KTFilePanelPresenter::install(std::shared_ptr<KTFilePanelPresenter> presenter)
{
    return std::exchange(s_installed, std::move(presenter));
}
