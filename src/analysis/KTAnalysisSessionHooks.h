#pragma once

class KTImageStorage;

/// Connects the catalogue's session clearing and image removal to the analysis services: the
/// similar finder is reset, the stored hashes are cleared and the thumbnail entities kept in
/// memory are dropped with the session, and a removed image's hash goes with it.
///
/// Threading: install() on the main thread, before the catalogue starts session work.
class KTAnalysisSessionHooks
{
public:
    /// Fills the similar-finder and hash hooks of `storage`, keeping the others it has.
    static void install(KTImageStorage &storage);
};
