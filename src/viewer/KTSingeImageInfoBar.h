#pragma once

#include "KTNotificationCenter.h"
#include "KTObservationToken.h"
#include "KTRecordRef.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class KTImageDocument;
class KTImageMO;
class KTInfoTextField;
class KTMultipleLabelsView;
class KTUIImageView;

/// A one-line bar for one image: its full path, its byte size and a row of its date, pixel
/// size and camera settings. The texts hide while no record is shown and while the record's
/// file is missing; the record's file is monitored while shown.
///
/// Threading: main thread only.
class KTSingeImageInfoBar : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHeight = 26;

    /// A bar with its texts hidden.
    explicit KTSingeImageInfoBar(QWidget *parent = nullptr);
    /// Stops monitoring the shown record's file.
    ~KTSingeImageInfoBar() override;

    KTImageMO *imageMO() const { return m_imageMO; }
    /// Shows `image`; the record already shown changes nothing; null hides the texts.
    void setImageMO(KTImageMO *image);
    /// Hides or shows the separator, the labels row and the path and size texts together.
    void setInfoHidden(bool hidden);
    bool isInfoHidden() const { return m_infoHidden; }
    /// The shown record's strings, each only when present: the short date, the pixel size,
    /// "ISO n", "nmm", "f/n" and the exposure time (this order, unlike the strip's); empty until
    /// the record's document has read the file.
    QStringList infoStringsFromImageMO() const;

    KTUIImageView *separator() const { return m_separator; }
    KTMultipleLabelsView *imageInfoView() const { return m_imageInfoView; }
    KTInfoTextField *imagePathLabel() const { return m_imagePathLabel; }
    KTInfoTextField *imageSizeLabel() const { return m_imageSizeLabel; }

private:
    void stopFollowingRecord();

    KTRecordRef<KTImageMO> m_imageMO;
    std::shared_ptr<KTImageDocument> m_document;
    KTObservationToken m_fileExistsObserver;
    KTObserverToken m_deletionObserver;
    bool m_infoHidden = false;
    KTUIImageView *m_separator = nullptr;
    KTMultipleLabelsView *m_imageInfoView = nullptr;
    KTInfoTextField *m_imagePathLabel = nullptr;
    KTInfoTextField *m_imageSizeLabel = nullptr;
};
