#pragma once

#include <QPointer>
#include <QWidget>

/// The frame of a popover: a rounded dark panel with an arrow towards its anchor, shown as a
/// Qt::Popup window (a click outside closes it). It hosts one content view, which it hands back
/// (unparented, hidden) when it closes, so the owner can show it again.
///
/// Threading: main thread only.
class KTPopoverView : public QWidget
{
    Q_OBJECT
public:
    /// Where the arrow sits.
    enum ArrowEdge
    {
        ArrowNone,
        ArrowTop,
        ArrowBottom,
    };
    static constexpr int kArrowHeight = 8;
    static constexpr int kMargin = 6;

    explicit KTPopoverView(QWidget *content, QWidget *parent = nullptr);
    ~KTPopoverView() override;

    QWidget *contentView() const { return m_content; }
    /// The arrow's horizontal shift from the panel's middle.
    double arrowOffset() const { return m_arrowOffset; }
    void setArrowOffset(double offset);
    ArrowEdge arrowEdge() const { return m_arrowEdge; }
    void setArrowEdge(ArrowEdge edge);

    /// The window size that holds the content with its margins and arrow.
    QSize frameSizeForContent(const QSize &content) const;

signals:
    /// The popover window closed, whatever closed it.
    void closed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void layOutContent();
    void releaseContent();

    QPointer<QWidget> m_content;
    double m_arrowOffset = 0;
    ArrowEdge m_arrowEdge = ArrowNone;
};
