#pragma once

#include "KTBrokenImagesWindowControllerDelegate.h"
#include "KTCatalogNotifications.h"
#include "KTSheetWindow.h"
#include "KTWeakDelegate.h"

#include <QPointer>
#include <QList>
#include <QRect>

#include <functional>

class KTAbstractButton;
class QLabel;
class QTableView;
class QVariantAnimation;

/// The missing-images sheet: the images of a session that could not be loaded, and the folders
/// that could not be read. Folded it shows a count line ("3 total images") and OK; the details
/// button unfolds a table of names and reasons below the count, growing the sheet downwards (its
/// top edge stays under the title strip), and folds it away again. Folded, the sheet cannot be
/// resized.
///
/// The main window makes it when the catalogue posts kFailedToLoadSomeImagesNotificationName,
/// gives it the list (setBrokenImages), shows it with beginSheet() and lets it go when the
/// delegate hears hideBrokenImagesWindow().
///
/// Threading: main thread only.
class KTBrokenImagesWindowController : public KTSheetWindow
{
    Q_OBJECT
public:
    /// The table column that shows the image's name; every other column shows the reason.
    static inline const QString kImageNameColumn = QStringLiteral("imageName");
    static inline const QString kReasonColumn = QStringLiteral("reason");
    /// Seconds of the unfold and fold.
    static constexpr double kFoldDuration = 0.2;

    explicit KTBrokenImagesWindowController(QWidget *parent = nullptr);
    ~KTBrokenImagesWindowController() override;

    KTBrokenImagesWindowControllerDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTBrokenImagesWindowControllerDelegate *delegate) { m_delegate = delegate; }

    /// Keeps the list (KTFailedToLoadSomeImagesInfo::brokenImages of the catalogue's
    /// notification), sets the count line and reloads the table.
    void setBrokenImages(const QList<KTBrokenImage> &brokenImages);
    QList<KTBrokenImage> brokenImages() const { return m_brokenImages; }

    /// The count line for `images` images ("1 total image", "3 total images") and `folders`
    /// folders that could not be read ("3 total images, 1 folder"; the folders alone without
    /// images).
    static QString countText(qsizetype images, qsizetype folders = 0);
    /// What the table shows in the column `identifier` of `row`.
    QString objectValueForTableColumn(const QString &identifier, int row) const;

    /// The details button's action: unfolds or folds the table.
    void onShowDetails();
    /// OK's action: tells the delegate hideBrokenImagesWindow().
    void onOKButton();

    bool isUnfolded() const;
    /// The sheet's size as made (folded).
    QSize originalWindowSize() const { return m_originalWindowSize; }

    QLabel *imagesCountLabel() const { return m_imagesCountLabel; }
    QTableView *tableView() const { return m_tableView; }
    KTAbstractButton *detailsButton() const { return m_detailsButton; }
    KTAbstractButton *okButton() const { return m_okButton; }

private:
    /// Resizes the sheet to `height` (animated; the top edge stays), then runs `done`.
    void animateHeightTo(int height, std::function<void()> done);

    KTWeakDelegate<KTBrokenImagesWindowControllerDelegate> m_delegate;
    QList<KTBrokenImage> m_brokenImages;
    QSize m_originalWindowSize;
    int m_originalTableHeight = 0;
    QLabel *m_imagesCountLabel = nullptr;
    QTableView *m_tableView = nullptr;
    KTAbstractButton *m_detailsButton = nullptr;
    KTAbstractButton *m_okButton = nullptr;
    QPointer<QVariantAnimation> m_foldAnimation;
};
