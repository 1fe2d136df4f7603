#pragma once

#include "KTBaseImagesGroupsController.h"

/// The timeline (mode "Timeline", shown for the main window's "AllImages"): every image of the
/// session that has a time group and is not rejected, in time groups, with the command that
/// rejects the images of a group that are not picked ("Reject Unselected").
///
/// Threading: main thread only.
class KTTimelineImagesModeController : public KTBaseImagesGroupsController
{
    Q_OBJECT
public:
    explicit KTTimelineImagesModeController(QObject *parent = nullptr);
    ~KTTimelineImagesModeController() override;

    QString modeID() const override;
    /// (timeGroup != nil) && (rejected != YES).
    KTPredicate imagesFilterPredicate() const override;

    /// YES when the selected group holds an image that is not picked.
    bool canRejectNotSelected() const override;
    /// Rejects every image of the selected group that is not picked (the files stay).
    void onRejectNotSelected(QObject *sender) override;
};
