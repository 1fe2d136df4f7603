#pragma once

#include "KTAbstractButton.h"

/// A round toolbar button whose pictogram carries a small rounded label with a short text, in
/// practice a count (the number of selected images on the share, flag and put-back buttons). It
/// keeps the plain pictograms so that the badge can be removed again.
///
/// Threading: main thread only.
class KTBadgeButton : public KTAbstractButton
{
    Q_OBJECT
public:
    explicit KTBadgeButton(QWidget *parent = nullptr);

    /// Keep the plain picture of that name, then show it (the badge comes back at the next
    /// updatePictogramImage()).
    void setPictogramName(const QString &name) override;
    void setPushedPictogramName(const QString &name) override;
    /// The offset without the badge's shift.
    void setPictogramOffset(const QPointF &offset) override;

    QString badgeString() const { return m_badgeString; }
    /// Empty removes the badge.
    void setBadgeString(const QString &badge);
    QColor badgeBackgroundColor() const { return m_badgeBackgroundColor; }
    void setBadgeBackgroundColor(const QColor &color);
    QColor badgeTextColor() const { return m_badgeTextColor; }
    void setBadgeTextColor(const QColor &color);
    double badgeRadius() const { return m_badgeRadius; }
    void setBadgeRadius(double radius);

    /// Applies the badge to the shown pictograms (or restores the plain ones). Nothing while the
    /// button has no pictogram.
    void updatePictogramImage();
    /// `pictogram` with the badge drawn 3 to its right: as tall as the taller of the two (the
    /// pill is never cut), the pictogram centred on the pill's middle.
    QImage pictogramWithBadge(const QImage &pictogram) const;

    QImage originalPictogram() const { return m_originalPictogram; }
    QImage originalPushedPictogram() const { return m_originalPushedPictogram; }
    QPointF originalPictogramOffset() const { return m_originalPictogramOffset; }

private:
    QString m_badgeString;
    QColor m_badgeBackgroundColor;
    QColor m_badgeTextColor;
    double m_badgeRadius = 11.0;
    QImage m_originalPictogram;
    QImage m_originalPushedPictogram;
    QPointF m_originalPictogramOffset;
};
