#pragma once

#include "KTSimpleImageModeController.h"

inline const QString kFavoriteImagesFilterID = QStringLiteral("FavoriteImagesFilter");

/// The picks mode ("Favorites" of the main window): every picked image that is not rejected.
///
/// Threading: main thread only.
class KTSelectedImagesModeController : public KTSimpleImageModeController
{
    Q_OBJECT
public:
    explicit KTSelectedImagesModeController(QObject *parent = nullptr);
};
