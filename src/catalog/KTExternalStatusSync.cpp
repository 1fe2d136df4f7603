#include "KTExternalStatusSync.h"

namespace {

std::shared_ptr<KTExternalStatusSync> &installedSync()
{
    static std::shared_ptr<KTExternalStatusSync> s_sync;
    return s_sync;
}

} // namespace

std::shared_ptr<KTExternalStatusSync>
KTExternalStatusSync::install(std::shared_ptr<KTExternalStatusSync> sync)
{
    std::swap(installedSync(), sync);
    return sync;
}

std::shared_ptr<KTExternalStatusSync> KTExternalStatusSync::installed()
{
    return installedSync();
}
