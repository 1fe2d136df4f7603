#pragma once

#include "KTSimpleImageModeController.h"

inline const QString kLeftImagesFilterID = QStringLiteral("LeftImagesFilter");

/// The remaining-images mode ("LeftImages" of the main window): the images of similar groups that
/// are neither picked nor rejected yet.
///
/// Threading: main thread only.
class KTUniquesImagesModeController : public KTSimpleImageModeController
{
    Q_OBJECT
public:
    explicit KTUniquesImagesModeController(QObject *parent = nullptr);
};
