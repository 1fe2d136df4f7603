#pragma once

class KTEntitiesManager;
class KTFocusedRegionsManager;
class KTImageStorage;

/// The shared services the grids call: the entities manager (thumbnails), the focused-regions
/// manager (focus overlays and their visibility switches) and the catalogue (pick, reject and
/// trash). Each is the process's shared one unless a KTGridServices::Scope installed another for
/// as long as it lives (tests give their own queues and catalogue).
///
/// A view reads the services when it needs them, so views made before a scope see the scope's
/// services while it lives; the focused-regions switches are observed on the manager current
/// when the grid is made.
///
/// Threading: main thread only.
class KTGridServices
{
public:
    static KTEntitiesManager &entitiesManager();
    static KTFocusedRegionsManager &focusedRegionsManager();
    /// The catalogue; null only when the shared one cannot be made.
    static KTImageStorage *imageStorage();

    /// Installs the non-null services given for its lifetime; scopes nest.
    class Scope
    {
    public:
        Scope(KTEntitiesManager *entities, KTFocusedRegionsManager *focusedRegions, KTImageStorage *storage);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        KTEntitiesManager *m_entities;
        KTFocusedRegionsManager *m_focusedRegions;
        KTImageStorage *m_storage;
    };
};
