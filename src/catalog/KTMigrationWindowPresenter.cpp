#include "KTMigrationWindowPresenter.h"

#include <mutex>
#include <utility>

namespace {

/// Starts the migration and returns: the catalogue waits for it without a window.
class KTWindowlessMigrationPresenter : public KTMigrationWindowPresenter
{
public:
    void runModal(const std::function<void(std::function<void()> endModal)> &start) override
    {
        start([] {});
    }
};

std::mutex s_mutex;
std::shared_ptr<KTMigrationWindowPresenter> s_installed;

} // namespace

KTMigrationWindowPresenter &KTMigrationWindowPresenter::shared()
{
    static KTWindowlessMigrationPresenter windowless;
    std::lock_guard lock(s_mutex);
    return s_installed ? *s_installed : windowless;
}

std::shared_ptr<KTMigrationWindowPresenter>
KTMigrationWindowPresenter::install(std::shared_ptr<KTMigrationWindowPresenter> presenter)
{
    std::lock_guard lock(s_mutex);
    return std::exchange(s_installed, std::move(presenter));
}
