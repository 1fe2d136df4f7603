#pragma once

#include <QString>

#include <memory>

class KTBaseUIModeController;

/// Makes the review mode of one of the main window's UI modes; the application installs make()
/// as the main window's mode factory.
///
/// Threading: main thread only.
class KTReviewModeFactory
{
public:
    /// The timeline for "AllImages", the similar-groups mode for "Duplicates", the picks mode for
    /// "Favorites", the rejects mode for "Trash", the remaining-images mode for "LeftImages"; null for the UI
    /// modes whose mode is not built here.
    static std::unique_ptr<KTBaseUIModeController> make(const QString &uiMode);
};
