#pragma once

#include "KTControl.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QSizeF>

#include <QLabel>

/// A push button with a background built from three pictures (normal, highlighted, disabled and
/// on forms), a localised title with a soft shadow, an optional icon centred together with the
/// title, and an optional drop-down arrow. Two press styles besides the plain one: a momentary
/// look (on and highlighted only while pressed, no action) and a momentary action (toggles and
/// acts on the press).
///
/// Its enabled state is its own (setButtonEnabled / isButtonEnabled). Disabled with a disabled
/// picture, it stays enabled as a widget and draws that picture as it is; without one the widget
/// is disabled. Either way no route activates it while disabled: mouse, Space, shortcut, key
/// equivalent or click().
///
/// Set-up: made in code, initialize() runs on the next turn of the event loop, so properties set
/// right after construction take effect (a disable included); it may run again to rebuild
/// everything.
///
/// Threading: main thread only.
class KTSButton : public KTControl
{
    Q_OBJECT
    Q_PROPERTY(int state READ state WRITE setState NOTIFY stateChanged)
public:
    explicit KTSButton(QWidget *parent = nullptr);
    explicit KTSButton(const QString &title, QWidget *parent = nullptr);

    /// Builds the icon, titles and pictures; see the class comment.
    void initialize();
    bool isInitialized() const { return m_initialized; }

    QString title() const { return m_title; }
    void setTitle(const QString &title);
    QString alternateTitle() const { return m_alternateTitle; }
    void setAlternateTitle(const QString &title);
    /// The title as shown (localised).
    QString displayedTitle() const { return m_displayedTitle; }

    int state() const { return m_state; }
    void setState(int state);

    void setButtonEnabled(bool enabled) override;
    bool isButtonEnabled() const override { return m_isEnabledInternally; }
    /// The widget's own enabled state, which the button's state drives.
    void superSetEnabled(bool enabled) { QWidget::setEnabled(enabled); }
    bool isHighlighted() const { return m_isHighlighted; }
    void highlightOnMouse(bool highlighted);
    /// Applies the enabled and highlighted states to the pictures and the icon.
    void validateState();

    QString threePartImageName() const { return m_threePartImageName; }
    void setThreePartImageName(const QString &name) { m_threePartImageName = name; }
    QString disabledImageName() const { return m_disabledImageName; }
    void setDisabledImageName(const QString &name) { m_disabledImageName = name; }
    QString highlightedImageName() const { return m_highlightedImageName; }
    void setHighlightedImageName(const QString &name) { m_highlightedImageName = name; }
    QString iconImageName() const { return m_iconImageName; }
    void setIconImageName(const QString &name) { m_iconImageName = name; }
    bool dropDown() const { return m_dropDown; }
    void setDropDown(bool dropDown) { m_dropDown = dropDown; }
    QColor buttonFontColor() const;
    void setButtonFontColor(const QColor &color) { m_buttonFontColor = color; }
    QColor selectedButtonFontColor() const;
    void setSelectedButtonFontColor(const QColor &color) { m_selectedButtonFontColor = color; }
    bool underlineText() const { return m_underlineText; }
    void setUnderlineText(bool underline) { m_underlineText = underline; }
    double baselineOffset() const { return m_baselineOffset; }
    void setBaselineOffset(double offset) { m_baselineOffset = offset; }
    double horizontalOffset() const { return m_horizontalOffset; }
    void setHorizontalOffset(double offset) { m_horizontalOffset = offset; }
    /// y-up, (1, -1) by default.
    QSizeF shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(const QSizeF &offset) { m_shadowOffset = offset; }
    bool hasMomentaryStyle() const { return m_hasMomentaryStyle; }
    void setHasMomentaryStyle(bool momentary) { m_hasMomentaryStyle = momentary; }
    bool momentaryAction() const { return m_momentaryAction; }
    void setMomentaryAction(bool momentary) { m_momentaryAction = momentary; }
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    /// The background given before set-up (as an interface description would); kept as the default.
    void setImage(const QImage &image) { m_image = image; }
    QImage image() const { return m_image; }
    QImage alternateImage() const { return m_alternateImage; }
    QImage defaultImage() const { return m_defaultImage; }
    QLabel *iconImageView() const { return m_iconImageView; }
    QLabel *dropDownArrowView() const { return m_arrowView; }
    /// Where the title's first line starts (from the left edge) and its alignment.
    double titleIndent() const { return m_titleIndent; }
    Qt::Alignment titleAlignment() const { return m_titleAlignment; }

    QSize sizeHint() const override;

signals:
    void stateChanged(int state);

protected:
    /// With the momentary action, a click turns the state over.
    void activate() override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    /// Lays the title (and the icon beside it) out for `text`.
    void layOutTitle(const QString &text, bool alternate);
    QImage named(const QString &name) const;

    QString m_title;
    QString m_alternateTitle;
    QString m_displayedTitle;
    QString m_displayedAlternateTitle;
    int m_state = 0;
    QString m_threePartImageName;
    QString m_disabledImageName;
    QString m_highlightedImageName;
    QString m_iconImageName;
    QPointer<QLabel> m_iconImageView;
    QPointer<QLabel> m_arrowView;
    bool m_dropDown = false;
    QColor m_buttonFontColor;
    QColor m_selectedButtonFontColor;
    bool m_underlineText = false;
    double m_baselineOffset = 0;
    double m_horizontalOffset = 0;
    QSizeF m_shadowOffset{1.0, -1.0};
    bool m_hasMomentaryStyle = false;
    bool m_momentaryAction = false;
    bool m_isEnabledInternally = true;
    bool m_isHighlighted = false;
    bool m_initialized = false;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    QImage m_image;
    QImage m_alternateImage;
    QImage m_defaultImage;
    QImage m_shownImage;
    double m_titleIndent = 0;
    Qt::Alignment m_titleAlignment = Qt::AlignHCenter;
};
