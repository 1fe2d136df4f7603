#pragma once

#include "KTControl.h"
#include "KTThreePartImage.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>

/// The button that toolbars, tab strips and pop-ups are made of: a three-part background for the
/// normal and the pushed state, a title, and a pictogram.
///
/// `pushed` is the button's on state; what a click does to it is the behaviour: Toggle turns it
/// over, Momentary leaves it (the owner sets it, for instance from a record after the action),
/// PopUp turns it on at the press and leaves turning it off to the owner. The pushed images show
/// while pushed and while a press is held.
///
/// Class-wide defaults (font, size, text offset) apply to buttons made after they are set; the
/// launch sequence sets them first.
///
/// Geometry of the offsets is y-up: a positive y moves the content up.
///
/// Threading: main thread only.
class KTAbstractButton : public KTControl
{
    Q_OBJECT
    Q_PROPERTY(bool pushed READ isPushed WRITE setPushed NOTIFY pushedChanged)
public:
    enum Behavior
    {
        Toggle = 0,
        Momentary = 1,
        PopUp = 3,
    };
    enum PictogramPosition
    {
        PictogramLeft = 0,
        PictogramRight = 1,
        PictogramAbove = 2,
        PictogramBelow = 3,
        /// The pictogram centred on the button (a title, if any, is centred over it).
        PictogramCentered = 4,
    };

    explicit KTAbstractButton(QWidget *parent = nullptr);
    explicit KTAbstractButton(const QString &title, QWidget *parent = nullptr);

    static void setDefaultTextOffset(const QPointF &offset);
    static QPointF defaultTextOffset();
    static void setDefaultFontName(const QString &name);
    static void setDefaultFontSize(double size);
    /// The class-wide font (the default family at 13 unless set).
    static QFont defaultFont();

    QString title() const { return m_title; }
    void setTitle(const QString &title);

    bool isPushed() const { return m_pushed; }
    /// Shows the button pushed or not; sends no action.
    void setPushed(bool pushed);

    int behavior() const { return m_behavior; }
    void setBehavior(int behavior) { m_behavior = behavior; }

    void setNormalStateImageWithImageNames(const QString &left, const QString &center, const QString &right);
    void setPushedStateImageWithImageNames(const QString &left, const QString &center, const QString &right);
    /// "<base>_left", "<base>_center", "<base>_right".
    void setNormalStateThreeImageName(const QString &base);
    void setPushedStateThreeImageName(const QString &base);
    KTThreePartNames normalStateImageNames() const { return m_normalImages; }
    KTThreePartNames pushedStateImageNames() const { return m_pushedImages; }

    QColor fontColor() const { return m_fontColor; }
    void setFontColor(const QColor &color);
    /// The title colour while pushed; invalid: the font colour.
    QColor selectedFontColor() const { return m_selectedFontColor; }
    void setSelectedFontColor(const QColor &color);
    QPointF textOffset() const { return m_textOffset; }
    void setTextOffset(const QPointF &offset);

    /// A KTNamedImages name; an unknown name removes the pictogram.
    virtual void setPictogramName(const QString &name);
    virtual void setPushedPictogramName(const QString &name);
    QString pictogramName() const { return m_pictogramName; }
    QString pushedPictogramName() const { return m_pushedPictogramName; }
    void setPictogram(const QImage &image);
    void setPushedPictogram(const QImage &image);
    QImage pictogram() const { return m_pictogram; }
    QImage pushedPictogram() const { return m_pushedPictogram; }
    QPointF pictogramOffset() const { return m_pictogramOffset; }
    virtual void setPictogramOffset(const QPointF &offset);
    int pictogramPosition() const { return m_pictogramPosition; }
    void setPictogramPosition(int position);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void pushedChanged(bool pushed);

protected:
    void activate() override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

    /// Whether the pushed look shows.
    bool showsPushed() const { return m_pushed || isDown(); }

private:
    QImage namedPictogram(const QString &name) const;
    QSizeF pictogramSize(const QImage &image) const;

    QString m_title;
    bool m_pushed = false;
    int m_behavior = Toggle;
    KTThreePartNames m_normalImages;
    KTThreePartNames m_pushedImages;
    QColor m_fontColor;
    QColor m_selectedFontColor;
    QPointF m_textOffset;
    QString m_pictogramName;
    QString m_pushedPictogramName;
    QImage m_pictogram;
    QImage m_pushedPictogram;
    QPointF m_pictogramOffset;
    int m_pictogramPosition = PictogramLeft;
};
