#pragma once

#include "KTControl.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QStringList>

/// A push button drawn entirely from two bitmaps composed in code: the image (state off) and the
/// alternate image (state on), each a background with the title, an optional subtitle and an
/// optional badge rendered into it (KTButtonRendering.h). The text is rendered once per change,
/// never on each paint.
///
/// Set-up: configure the fields (as an interface description would), size the button, then call
/// initialize(). Before that the button shows whatever images it was given. The platform title
/// (setTitle) moves into buttonTitle at initialize().
///
/// Threading: main thread only.
class KTButton : public KTControl
{
    Q_OBJECT
    Q_PROPERTY(int state READ state WRITE setState NOTIFY stateChanged)
public:
    enum ButtonType
    {
        /// A click sends the action and leaves the state to the owner.
        MomentaryPush,
        /// A click turns the state over, then sends the action.
        Toggle,
    };

    explicit KTButton(QWidget *parent = nullptr);

    /// Builds the backgrounds and renders both images (see the class comment). Subclasses run
    /// the base version first.
    virtual void initialize();
    void initializeThreePartImage();
    void initializeThreePartDropdownImage();
    /// Exactly three names (left cap, centre, right cap); asserts otherwise. The alternate image
    /// uses the names with "_on" appended.
    void initializeThreePartImageWithPartNames(const QStringList &names);
    /// Re-render the image or the alternate image from the fields.
    virtual void updateImage();
    virtual void updateAlternateImage();

    int state() const { return m_state; }
    virtual void setState(int state);
    ButtonType buttonType() const { return m_buttonType; }
    void setButtonType(ButtonType type) { m_buttonType = type; }

    /// The platform titles, moved into the rendered titles by initialize().
    QString title() const { return m_platformTitle; }
    void setTitle(const QString &title) { m_platformTitle = title; }
    QString alternateTitle() const { return m_platformAlternateTitle; }
    void setAlternateTitle(const QString &title) { m_platformAlternateTitle = title; }

    QImage image() const { return m_image; }
    void setImage(const QImage &image);
    QImage alternateImage() const { return m_alternateImage; }
    void setAlternateImage(const QImage &image);

    // Setters that re-render when the value changes.
    QString buttonTitle() const { return m_buttonTitle; }
    void setButtonTitle(const QString &title);
    QString buttonAlternateTitle() const { return m_buttonAlternateTitle; }
    void setButtonAlternateTitle(const QString &title);
    QString subtitle() const { return m_subtitle; }
    void setSubtitle(const QString &subtitle);
    QString alternateSubtitle() const { return m_alternateSubtitle; }
    void setAlternateSubtitle(const QString &subtitle);
    QString badge() const { return m_badge; }
    /// Empty removes the badge from both images.
    void setBadge(const QString &badge);
    bool needsShadow() const { return m_needsShadow; }
    void setNeedsShadow(bool needsShadow);

    // Setters that only store; the change shows at the next rendering.
    QColor titleColor() const { return m_titleColor; }
    void setTitleColor(const QColor &color) { m_titleColor = color; }
    QColor alternateTitleColor() const { return m_alternateTitleColor; }
    void setAlternateTitleColor(const QColor &color) { m_alternateTitleColor = color; }
    QPointF titleOffset() const { return m_titleOffset; }
    void setTitleOffset(const QPointF &offset) { m_titleOffset = offset; }
    QPointF alternateTitleOffset() const { return m_alternateTitleOffset; }
    void setAlternateTitleOffset(const QPointF &offset) { m_alternateTitleOffset = offset; }
    int titleLayout() const { return m_titleLayout; }
    void setTitleLayout(int layout) { m_titleLayout = layout; }
    int alternateTitleLayout() const { return m_alternateTitleLayout; }
    void setAlternateTitleLayout(int layout) { m_alternateTitleLayout = layout; }
    double titleFontSize() const { return m_titleFontSize; }
    void setTitleFontSize(double size) { m_titleFontSize = size; }
    double subtitleFontSize() const { return m_subtitleFontSize; }
    void setSubtitleFontSize(double size) { m_subtitleFontSize = size; }
    QImage initialButtonImage() const { return m_initialButtonImage; }
    void setInitialButtonImage(const QImage &image) { m_initialButtonImage = image; }
    QImage initialButtonAlternateImage() const { return m_initialButtonAlternateImage; }
    void setInitialButtonAlternateImage(const QImage &image) { m_initialButtonAlternateImage = image; }
    bool usesThreePartImage() const { return m_usesThreePartImage; }
    void setUsesThreePartImage(bool uses) { m_usesThreePartImage = uses; }
    bool usesThreePartDropdownImage() const { return m_usesThreePartDropdownImage; }
    void setUsesThreePartDropdownImage(bool uses) { m_usesThreePartDropdownImage = uses; }

    /// With any modifier held the event is matched as it came; a plain key press is matched by
    /// its key-equivalent string, whatever characters it carries.
    bool performKeyEquivalent(const QKeyEvent &event) override;

    QSize sizeHint() const override;

signals:
    void stateChanged(int state);

protected:
    void activate() override;
    void paintEvent(QPaintEvent *event) override;
    /// The picture shown now.
    virtual QImage shownImage() const;

private:
    QImage renderImage(bool alternate) const;

    int m_state = 0;
    ButtonType m_buttonType = MomentaryPush;
    QString m_platformTitle;
    QString m_platformAlternateTitle;
    QImage m_image;
    QImage m_alternateImage;
    QString m_buttonTitle;
    QString m_buttonAlternateTitle;
    QString m_subtitle;
    QString m_alternateSubtitle;
    QString m_badge;
    QColor m_titleColor;
    QColor m_alternateTitleColor;
    QPointF m_titleOffset;
    QPointF m_alternateTitleOffset;
    int m_titleLayout = 0;
    int m_alternateTitleLayout = 0;
    double m_titleFontSize = 0;
    double m_subtitleFontSize = 0;
    QImage m_initialButtonImage;
    QImage m_initialButtonAlternateImage;
    bool m_usesThreePartImage = false;
    bool m_usesThreePartDropdownImage = false;
    bool m_needsShadow = false;
};
