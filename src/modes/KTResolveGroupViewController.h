#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QVariantAnimation;

/// The overlay that tells the user a similar group has just been resolved: it fades in over the
/// covered view for 0.5 s, then out for 0.5 s, and is taken away. Other short news of the review
/// (a finished copy or move) use the same overlay with their own texts and stay readable a while
/// between the fades. One overlay serves the whole process; while it is on screen a further call
/// neither restarts it nor runs its own handler.
///
/// Threading: main thread only; the fades run on the event loop (at once while KTAnimations are
/// off, so the handler has run when showInView() returns).
class KTResolveGroupViewController : public QWidget
{
    Q_OBJECT
public:
    /// Covers `view` with the overlay, centred in it (and kept centred when it is resized), and
    /// runs `handler` (may be empty) once the overlay has gone. Nothing, and `handler` never
    /// runs, while the overlay is on screen.
    static void showInView(QWidget *view, std::function<void()> handler);
    /// The same with `title` over `detail` (elided in the middle to fit the view), held for
    /// `holdSeconds` between the fades.
    static void showMessageInView(QWidget *view, const QString &title, const QString &detail,
                                  double holdSeconds, std::function<void()> handler = {});
    /// The one overlay, made on first use. It lives as long as the process, unless a view it
    /// covers is destroyed with it (the next call makes a new one).
    static KTResolveGroupViewController *sharedController();

    /// Whether the overlay is on screen (it has a parent view).
    bool isShown() const { return parentWidget() != nullptr; }
    /// The opacity it paints with, 0 to 1.
    double alphaValue() const { return m_alpha; }
    /// The texts shown now.
    QString title() const { return m_title; }
    QString detail() const { return m_detail; }

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    KTResolveGroupViewController();
    void present(QWidget *view, const QString &title, const QString &detail, double holdSeconds,
                 std::function<void()> handler);
    void fade(double from, double to, std::function<void()> then);
    void centerInParent();
    void setAlphaValue(double alpha);

    double m_alpha = 0.0;
    QString m_title;
    QString m_detail;
};
