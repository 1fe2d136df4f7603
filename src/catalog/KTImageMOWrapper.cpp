#include "KTImageMOWrapper.h"

#include "KTImageMO.h"

KTImageMOWrapper::KTImageMOWrapper(const KTImageMO &image)
    : m_path(image.path()), m_duplicateImagePath(image.duplicateImagePath()), m_name(image.name()),
      m_modificationDate(image.modificationDate()), m_creationDate(image.creationDate()),
      m_size(image.size()), m_rejected(image.rejected()), m_picked(image.picked()),
      m_externalGUID(image.externalGUID()), m_imageID(image.imageID()), m_imageIndex(image.imageIndex()),
      m_originalFileExists(image.originalFileExists()), m_resolveDate(image.resolveDate()),
      m_timeStamp(image.timeStamp()), m_exposureTime(image.exposureTime()),
      m_syncStatusBitmask(image.syncStatusBitmask()), m_uuid(image.uuid())
{}
