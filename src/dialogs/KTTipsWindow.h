#pragma once

#include "KTAbstractButton.h"
#include "KTAbstractProgressIndicator.h"
#include "KTOverlayWindow.h"
#include "KTPageControl.h"
#include "KTPictureView.h"
#include "KTSButton.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QVector>

inline const QString kKTShowTipsKey = QStringLiteral("KTVireoscopeShowTipsKey");
inline const QString kKTTipIndexKey = QStringLiteral("KTVireoscopeTipIndexKey");

/// The quick tips: an overlay over the main window that walks a new user through the program in
/// eleven pages, with a page control, previous and next buttons that name the neighbouring
/// pages, a show-at-start-up check box and, on the last page, a closing text, the help button and the
/// newsletter form. Each opening starts one page further than the one before.
///
/// The main window opens it with KTTipsWindow::presentOver(mainWindow): at start-up when
/// wantsShowAtStartup() answers true, and from its quick-tips command. Left and Right turn the
/// pages, Escape closes.
///
/// Threading: main thread only; presentOver() runs a nested modal event loop.
class KTTipsWindow : public KTOverlayWindow
{
    Q_OBJECT
public:
    /// One page: its title, and (pages 2 to 10) its description and picture name.
    struct Tip
    {
        QString title;
        QString desc;
        QString image;
    };

    static constexpr double kDescriptionFontSize = 16.0;
    static constexpr double kDescriptionLineHeight = 24.0;

    /// Counts the opening (kKTTipIndexKey) and shows the page it selects.
    explicit KTTipsWindow(QWidget *parent = nullptr);
    ~KTTipsWindow() override;

    /// Shows a new tips window over `parent`'s window; returns when it has been closed.
    static void presentOver(QWidget *parent);

    /// True when kKTShowTipsKey holds true, or when it holds nothing yet: then false is stored,
    /// so the tips open by themselves on the first launch only.
    static bool wantsShowAtStartup();
    /// Stores the flag and writes the defaults at once.
    static void setWantsShowAtStartup(bool show);

    /// The eleven pages, in order.
    static const QVector<Tip> &tips();
    int numberOfPages() const { return int(tips().size()); }

    int selectedIndex() const { return m_selectedIndex; }
    /// Shows page `index` when it differs from the page shown: an index at or past the end gives
    /// the first page, a negative one the last.
    void setSelectedIndex(int index);

    void nextTip();
    void prevTip();
    /// The page control's action: its selected dot.
    void selctedIndexChanged();
    /// The check box's action.
    void showAtStartup();
    /// The form's action: checks the address and sends the subscription.
    void subscribe();
    /// The help button's action: opens the help page (KTHelpPage).
    void openHelp();

    /// `text` as rich text in the description style: white, light, 16 px on lines of 24 px, left
    /// aligned and wrapped; line breaks are kept.
    static QString attributedDescriptionWithText(const QString &text);
    /// The closing text of the last page, with a link to the help page when it is there.
    static QString lastTipDescription();

    // The parts, for tests and the screens tool.
    KTPageControl *pageControl() const { return m_pageControl; }
    KTAbstractButton *nextButton() const { return m_nextButton; }
    KTAbstractButton *prevButton() const { return m_prevButton; }
    QLabel *tipTitleLabel() const { return m_tipTitleLabel; }
    QLabel *previousTipTitleLabel() const { return m_previousTipTitleLabel; }
    QLabel *nextTipTitleLabel() const { return m_nextTipTitleLabel; }
    QLabel *tipDescriptionLabel() const { return m_tipDescriptionLabel; }
    QLabel *lastTipDescriptionLabel() const { return m_lastTipDescriptionLabel; }
    KTPictureView *tipImageView() const { return m_tipImageView; }
    QWidget *tipsContainerView() const { return m_tipsContainerView; }
    QWidget *infoContainerView() const { return m_infoContainerView; }
    QWidget *previousTipContainer() const { return m_previousTipContainer; }
    QWidget *nextTipContainer() const { return m_nextTipContainer; }
    QWidget *firstTipContent() const { return m_firstTipContent; }
    QWidget *lastTipContent() const { return m_lastTipContent; }
    QLineEdit *emailTextField() const { return m_emailTextField; }
    KTSButton *subscribeButton() const { return m_subscribeButton; }
    KTSButton *helpButton() const { return m_helpButton; }
    QLabel *subscriptionNote() const { return m_subscriptionNote; }
    KTAbstractProgressIndicator *progressIndicator() const { return m_progressIndicator; }
    QCheckBox *showAtStartupCheckbox() const { return m_showAtStartupCheckbox; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildInterface();
    void subscriptionDidEnd(bool succeeded);

    int m_selectedIndex = -1;

    QPointer<KTPageControl> m_pageControl;
    QPointer<KTAbstractButton> m_nextButton;
    QPointer<KTAbstractButton> m_prevButton;
    QPointer<QWidget> m_tipsContainerView;
    QPointer<QWidget> m_infoContainerView;
    QPointer<QWidget> m_previousTipContainer;
    QPointer<QWidget> m_nextTipContainer;
    QPointer<QWidget> m_firstTipContent;
    QPointer<QWidget> m_lastTipContent;
    QPointer<QLabel> m_tipTitleLabel;
    QPointer<QLabel> m_previousTipTitleLabel;
    QPointer<QLabel> m_nextTipTitleLabel;
    QPointer<QLabel> m_tipDescriptionLabel;
    QPointer<QLabel> m_lastTipDescriptionLabel;
    QPointer<QLineEdit> m_emailTextField;
    QPointer<KTPictureView> m_tipImageView;
    QPointer<KTAbstractProgressIndicator> m_progressIndicator;
    QPointer<QCheckBox> m_showAtStartupCheckbox;
    QPointer<KTSButton> m_subscribeButton;
    QPointer<KTSButton> m_helpButton;
    QPointer<QLabel> m_subscriptionNote;
};
