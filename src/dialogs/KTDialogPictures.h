#pragma once

#include <QSizeF>
#include <QString>

/// The pictures of the shell's windows, painted in code and registered with KTNamedImages: the
/// quick tips' illustrations "tip_2" to "tip_10", the move-to-trash tips' pictures and the
/// application's icon. They are schematic drawings of our own screens (generated landscapes
/// stand in for photos), so they stay sharp at any pixel ratio.
///
/// Threading: registerPictures() on the main thread; the painters run wherever KTNamedImages
/// renders.
class KTDialogPictures
{
public:
    static inline const QString kLightroomRejectedTip = QStringLiteral("tip_lightroom_rejected");
    static inline const QString kIPhotoRejectedTip = QStringLiteral("tip_iphoto_rejected");
    static inline const QString kApertureRejectedTip = QStringLiteral("tip_aperture_rejected");
    static inline const QString kApplicationIcon = QStringLiteral("app_icon");

    static constexpr QSizeF kTipPictureSize{560, 300};
    static constexpr QSizeF kTrashTipPictureSize{480, 150};
    static constexpr QSizeF kApplicationIconSize{96, 96};

    /// The quick tips' picture of a 1-based page ("tip_2" ... "tip_10").
    static QString tipImageName(int page);

    /// Registers every picture once; later calls do nothing.
    static void registerPictures();
};
