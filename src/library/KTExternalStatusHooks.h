#pragma once

#include <memory>

class KTExternalImagesManager;
class KTExternalStatusFlows;
class KTImageStorage;

/// Connects the session catalogue to the external-catalogue layer: the catalogue's hooks for
/// catalogue sessions (the watched catalogue paths when a session starts, the catalogue half of
/// the trash hand-off) go to its status bridge and to the status flows, and the flows' import
/// rejects records through the catalogue's own reject.
///
/// Threading: install() on the main thread, before the catalogue starts session work.
class KTExternalStatusHooks
{
public:
    /// Fills the external-catalogue hooks of `storage`, keeping the others it has. Uses the
    /// process's installed flows (KTExternalStatusSync::installed()) when they are
    /// KTExternalStatusFlows, otherwise installs new ones over `manager`, which must then outlive
    /// them. Returns the flows.
    static std::shared_ptr<KTExternalStatusFlows> install(KTImageStorage &storage,
                                                          const KTExternalImagesManager &manager);
};
