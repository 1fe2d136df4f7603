#pragma once

#include "KTOpenPanel.h"

#include <memory>
#include <vector>

/// An open-panel presenter that records the panels it is asked for and lets the test answer
/// them. Installed while the returned pointer lives (the previous presenter comes back when it is
/// destroyed). Main thread only, like the panels.
class KTScriptedOpenPanelPresenter : public KTOpenPanelPresenter
{
public:
    struct Panel
    {
        KTOpenPanelOptions options;
        Completion completion;
        bool isAnswered = false;
        bool isCancelled = false;
    };

    static std::shared_ptr<KTScriptedOpenPanelPresenter> install();
    ~KTScriptedOpenPanelPresenter() override;

    std::shared_ptr<KTOpenPanel> beginSheet(QWidget *window, const KTOpenPanelOptions &options,
                                            Completion completion) override;

    /// Every panel asked for, in order.
    const std::vector<std::shared_ptr<Panel>> &panels() const { return m_panels; }
    /// The last panel asked for; fails the test when there is none.
    Panel &lastPanel();
    /// True while the last panel is neither answered nor cancelled.
    bool isShowing() const;
    /// Answers the last panel with `paths` (empty: the user cancelled); its completion runs now.
    void answer(const QStringList &paths);

private:
    std::vector<std::shared_ptr<Panel>> m_panels;
    std::shared_ptr<KTOpenPanelPresenter> m_previous;
};
