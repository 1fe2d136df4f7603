#pragma once

#include "KTDrawView.h"

#include <QImage>
#include <QPointer>
#include <QString>

class QVariantAnimation;

/// Shows one named picture (KTNamedImages), fitted into its bounds and centred, rendered at the
/// screen's pixel ratio; a change of picture can cross-fade (0.5 s): the old picture fades out
/// while the new one fades in.
///
/// Threading: main thread only.
class KTPictureView : public KTDrawView
{
    Q_OBJECT
public:
    enum class Transition
    {
        None,
        CrossFade,
    };
    static constexpr double kCrossFadeDuration = 0.5;

    explicit KTPictureView(QWidget *parent = nullptr);
    ~KTPictureView() override;

    QString imageName() const { return m_imageName; }
    /// An empty or unknown name shows nothing.
    void setImageName(const QString &name, Transition transition = Transition::None);
    /// Whether a cross-fade is running.
    bool isFading() const;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;

private:
    void drawPicture(QPainter &painter, const QString &name, double opacity) const;

    QString m_imageName;
    QString m_previousImageName;
    double m_progress = 1.0;
    QPointer<QVariantAnimation> m_fade;
};
