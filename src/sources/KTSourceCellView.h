#pragma once

#include <QString>
#include <QWidget>

/// The content of a sources-table row: the source's icon and its text on one line. A text too
/// long for the row loses its middle, so both the start and the folder's own name stay visible.
///
/// Threading: main thread only.
class KTSourceCellView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kIconSize = 24;

    explicit KTSourceCellView(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    QString imageName() const { return m_imageName; }
    void setImageName(const QString &name);
    /// The text as painted at the current width.
    QString displayedText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF textRect() const;

    QString m_text;
    QString m_imageName;
};
