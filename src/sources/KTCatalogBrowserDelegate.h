#pragma once

#include <QString>

class KTCatalogBrowser;

/// What a KTCatalogBrowser tells its delegate (the sources window). Every call comes on the main
/// thread.
class KTCatalogBrowserDelegate
{
public:
    virtual ~KTCatalogBrowserDelegate() = default;
    /// A node's children are about to be read (for a catalogue: its root node, named by the
    /// catalogue's path). Each will-call is followed by exactly one did-call for the same node,
    /// also when the browser is cleared before the reading ends.
    virtual void catalogBrowserWillPopulateNode(KTCatalogBrowser *browser, const QString &nodeIdentifier) = 0;
    virtual void catalogBrowserDidPopulateNode(KTCatalogBrowser *browser, const QString &nodeIdentifier) = 0;
    /// The user pressed Add (or Return on a node): the browser's current node is to be added.
    virtual void catalogBrowserWantsToAddCurrentNode(KTCatalogBrowser *browser) = 0;
    /// The user is closing the browser's window.
    virtual void catalogBrowserWillClose(KTCatalogBrowser *browser) = 0;
};
