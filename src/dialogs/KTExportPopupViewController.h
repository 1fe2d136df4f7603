#pragma once

#include "KTAbstractButton.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

/// The content of the export popover of the review modes: Move and Copy (the owner asks for the
/// folder and does the work) and three buttons that hand the selection to the photo managers.
/// A manager whose catalogue is the session's source is never offered.
///
/// The owner creates it once, sets the handlers and calls showFromView() from its export
/// button; the popover itself belongs to KTPopoverManager::sharedManager().
///
/// Threading: main thread only.
class KTExportPopupViewController : public QWidget
{
    Q_OBJECT
public:
    enum CloseType
    {
        CloseMove = 0,
        CloseCopy = 1,
    };
    using CloseHandler = std::function<void(int type)>;
    /// The paths to hand over; nothing (std::nullopt) disables the export buttons, an empty list
    /// does not.
    using PathsHandler = std::function<std::optional<QStringList>()>;
    using ValidationHandler = std::function<bool()>;
    /// The session's external catalogue type (0 none, 1 and 2 Lightroom, 3 iPhoto, 4 Aperture).
    using CatalogTypeHandler = std::function<int()>;

    explicit KTExportPopupViewController(CatalogTypeHandler externalCatalogType, QWidget *parent = nullptr);
    ~KTExportPopupViewController() override;

    void setCloseHandler(CloseHandler handler) { m_closeHandler = std::move(handler); }
    void setPathsToShareHandler(PathsHandler handler) { m_pathsToShareHandler = std::move(handler); }
    void setMoveButtonValidationHandler(ValidationHandler handler)
    {
        m_moveButtonValidationHandler = std::move(handler);
    }

    /// Resets, then shows the popover below `anchor`, 20 points to the left of its middle.
    void showFromView(QWidget *anchor);

    /// Takes the move permission (true without a handler) and the paths (an empty list without
    /// a handler) from the handlers, then validates the buttons.
    void reset();
    void validateExportButtons();

    /// Closes the popover, then gives `type` to the close handler (when set).
    void closeWithType(int type);
    /// Closes the popover, then hands the paths to that application; nothing waits for it.
    void performShareWithExportItem(const QString &exportItemID);

    bool canMove() const { return m_canMove; }
    std::optional<QStringList> pathsToShare() const { return m_pathsToShare; }

    KTAbstractButton *moveButton() const { return m_moveButton; }
    KTAbstractButton *copyButton() const { return m_copyButton; }
    KTAbstractButton *exportToLightroomButton() const { return m_exportToLightroomButton; }
    KTAbstractButton *exportToiPhotoButton() const { return m_exportToiPhotoButton; }
    KTAbstractButton *exportToApertureButton() const { return m_exportToApertureButton; }

private:
    CatalogTypeHandler m_externalCatalogType;
    CloseHandler m_closeHandler;
    PathsHandler m_pathsToShareHandler;
    ValidationHandler m_moveButtonValidationHandler;
    bool m_canMove = true;
    std::optional<QStringList> m_pathsToShare;

    QPointer<KTAbstractButton> m_moveButton;
    QPointer<KTAbstractButton> m_copyButton;
    QPointer<KTAbstractButton> m_exportToLightroomButton;
    QPointer<KTAbstractButton> m_exportToiPhotoButton;
    QPointer<KTAbstractButton> m_exportToApertureButton;
};
