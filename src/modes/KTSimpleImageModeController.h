#pragma once

#include "KTImageModeController.h"

inline const QString kTimeLineImagesFilterID = QStringLiteral("TimeLineImagesFilter");

/// A list mode whose reject button turns the rejection of the selection over: the common base
/// of the picks and remaining-images modes. On its own it lists every image not rejected.
///
/// Threading: main thread only.
class KTSimpleImageModeController : public KTImageModeController
{
    Q_OBJECT
public:
    explicit KTSimpleImageModeController(QObject *parent = nullptr);

    KTAbstractButton *trashButton() const;

public slots:
    /// The active image decides: when it is not rejected the whole selection is rejected (files
    /// stay), otherwise the whole selection is restored. Nothing without an active image or when
    /// its file is missing.
    void onToTrash(QObject *sender);

protected:
    KTSimpleImageModeController(const QString &filterID, const KTPredicate &predicate, QObject *parent);
    void setUIEnabled(bool enabled) override;

private:
    void addTrashButton();

    QPointer<KTAbstractButton> m_trashButton;
};
