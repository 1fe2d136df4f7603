#include "KTScriptedOpenPanel.h"

#include <gtest/gtest.h>

namespace {

class KTScriptedPanelHandle : public KTOpenPanel
{
public:
    explicit KTScriptedPanelHandle(std::weak_ptr<KTScriptedOpenPanelPresenter::Panel> panel)
        : m_panel(std::move(panel))
    {}

    void cancel() override
    {
        if (auto panel = m_panel.lock(); panel && !panel->isAnswered)
            panel->isCancelled = true;
    }

private:
    std::weak_ptr<KTScriptedOpenPanelPresenter::Panel> m_panel;
};

class KTForwardingOpenPanelPresenter : public KTOpenPanelPresenter
{
public:
    explicit KTForwardingOpenPanelPresenter(std::weak_ptr<KTScriptedOpenPanelPresenter> target)
        : m_target(std::move(target))
    {}

    std::shared_ptr<KTOpenPanel> beginSheet(QWidget *window, const KTOpenPanelOptions &options,
                                            Completion completion) override
    {
        auto target = m_target.lock();
        return target ? target->beginSheet(window, options, std::move(completion)) : nullptr;
    }

private:
    std::weak_ptr<KTScriptedOpenPanelPresenter> m_target;
};

} // namespace

std::shared_ptr<KTScriptedOpenPanelPresenter> KTScriptedOpenPanelPresenter::install()
{
    auto presenter = std::shared_ptr<KTScriptedOpenPanelPresenter>(new KTScriptedOpenPanelPresenter);
    presenter->m_previous =
        KTOpenPanelPresenter::install(std::make_shared<KTForwardingOpenPanelPresenter>(presenter));
    return presenter;
}

KTScriptedOpenPanelPresenter::~KTScriptedOpenPanelPresenter()
{
    KTOpenPanelPresenter::install(m_previous);
}

std::shared_ptr<KTOpenPanel>
KTScriptedOpenPanelPresenter::beginSheet(QWidget *, const KTOpenPanelOptions &options, Completion completion)
{
    auto panel = std::make_shared<Panel>(Panel{options, std::move(completion)});
    m_panels.push_back(panel);
    return std::make_shared<KTScriptedPanelHandle>(panel);
}

KTScriptedOpenPanelPresenter::Panel &KTScriptedOpenPanelPresenter::lastPanel()
{
    EXPECT_FALSE(m_panels.empty()) << "no open panel was asked for";
    if (m_panels.empty())
        m_panels.push_back(std::make_shared<Panel>());
    return *m_panels.back();
}

bool KTScriptedOpenPanelPresenter::isShowing() const
{
    return !m_panels.empty() && !m_panels.back()->isAnswered && !m_panels.back()->isCancelled;
}

void KTScriptedOpenPanelPresenter::answer(const QStringList &paths)
{
    Panel &panel = lastPanel();
    ASSERT_FALSE(panel.isAnswered || panel.isCancelled) << "the panel is no longer showing";
    panel.isAnswered = true;
    if (panel.completion)
        panel.completion(paths);
}
