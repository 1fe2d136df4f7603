#pragma once

#include "KTAbstractButton.h"
#include "KTEntitiesManagerCallbackID.h"
#include "KTImageNavigationView.h"
#include "KTRecordRef.h"

#include <QPointer>

#include <optional>

/// The thumbnail strip of a group shown alone: the images of the group in one line between a
/// "previous group" and a "next group" button, the whole line centred when the strip is wider.
/// The buttons are supplied by the owner; the strip places them, makes room for them, and gives
/// them a face with the title and a thumbnail of the neighbouring group. A button is enabled
/// exactly while its neighbouring group's image is set, so at the first or last group the owner
/// sets none and the button is off. In compare mode the thumbnails show the compare colours.
///
/// Threading: main thread only.
class KTImageGroupNavigationView : public KTImageNavigationView
{
    Q_OBJECT
public:
    explicit KTImageGroupNavigationView(QWidget *parent = nullptr);
    ~KTImageGroupNavigationView() override;

    KTAbstractButton *previousGroupButton() const { return m_previousGroupButton; }
    void setPreviousGroupButton(KTAbstractButton *button);
    KTAbstractButton *nextGroupButton() const { return m_nextGroupButton; }
    void setNextGroupButton(KTAbstractButton *button);
    double interButtonsSpace() const { return m_interButtonsSpace; }
    void setInterButtonsSpace(double space) { m_interButtonsSpace = space; }
    /// The offset that centres the line (whole points), set by adjustSize().
    double firstCellOffset() const { return m_firstCellOffset; }

    /// An image of the neighbouring group (null: none, which disables the button).
    KTImageMO *prevGroupImage() const { return m_prevGroupImage; }
    void setPrevGroupImage(KTImageMO *record);
    KTImageMO *nextGroupImage() const { return m_nextGroupImage; }
    void setNextGroupImage(KTImageMO *record);
    void updatePrevButton();
    void updateNextButton();
    /// Gives `button` the face of `title` with the 100-point thumbnail of `record` (the face
    /// follows when the thumbnail arrives).
    void updateButton(KTAbstractButton *button, KTImageMO *record, const QString &title);
    /// Draws the face: two tilted cards with the picture on top and the title below.
    static void updateButton(KTAbstractButton *button, const QImage &picture, const QString &title);

    void adjustSize() override;
    QRectF frameForCellAtIndex(qsizetype index) const override;
    std::vector<qsizetype> indexesOfCellsThatIntersectRect(const QRectF &rect) const override;
    unsigned cellTypeForIndex(qsizetype index) const override;
    void layoutCellsInNewVisibleRect(const QRectF &rect) override;
    /// Places the buttons before the first and after the last thumbnail (nothing without cells).
    void layoutNextPreviousButtons();

    /// A rotation by `angle` (radians, counterclockwise with y up) that keeps `point` fixed.
    static QTransform transformForRotateByRadians(double angle, const QPointF &point);

private:
    double buttonRoom(const KTAbstractButton *button) const;

    QPointer<KTAbstractButton> m_previousGroupButton;
    QPointer<KTAbstractButton> m_nextGroupButton;
    double m_interButtonsSpace = 30.0;
    double m_firstCellOffset = 0;
    KTRecordRef<KTImageMO> m_prevGroupImage;
    KTRecordRef<KTImageMO> m_nextGroupImage;
    std::optional<KTEntitiesManagerCallbackID> m_prevFaceRequest;
    std::optional<KTEntitiesManagerCallbackID> m_nextFaceRequest;
};
