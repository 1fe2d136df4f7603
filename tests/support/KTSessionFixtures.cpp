#include "KTSessionFixtures.h"

#include "KTCatalogModel.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTimeGroupMO.h"

#include <QDateTime>

void fillCatalog(KTObjectContext &context, int imageCount)
{
    const QDateTime base = QDateTime::fromMSecsSinceEpoch(1600000000123, Qt::UTC);
    std::vector<KTFolderMO *> folders;
    for (int f = 0; f < 4; ++f) {
        auto *folder = context.insert<KTFolderMO>(kFolderEntityName);
        folder->setPath(QStringLiteral("/Volumes/Photos/%1").arg(f));
        folder->setAddedDate(base.addMSecs(f * 1001));
        folder->setType(f == 3 ? kFolderTypeLightroom5 : kFolderTypeFileSystem);
        if (f == 3)
            folder->setMediaSource(QStringLiteral("/Users/me/Catalog.lrcat"));
        folder->setSourceID(QStringLiteral("SOURCE-%1").arg(f));
        // An empty bookmark is a value, not nil.
        folder->setBookmark(f == 0 ? QByteArray("") : QByteArray("bookmark\0data", 13));
        folders.push_back(folder);
    }
    KTImageGroupMO *group = nullptr;
    KTTimeGroupMO *timeGroup = nullptr;
    for (int i = 0; i < imageCount; ++i) {
        if (i % 7 == 0)
            group = context.insert<KTImageGroupMO>(kImageGroupEntityName);
        if (i % 50 == 0) {
            timeGroup = context.insert<KTTimeGroupMO>(kTimeGroupEntityName);
            timeGroup->setTimestampIsAbsent(i == 0 ? std::optional<bool>(true) : std::nullopt);
        }
        auto *image = context.insert<KTImageMO>(kImageEntityName);
        image->setPath(
            QStringLiteral("/Volumes/Photos/%1/IMG_%2.CR2").arg(i % 4).arg(i, 5, 10, QLatin1Char('0')));
        image->setName(i == 1 ? QString(QLatin1String(""))
                              : QStringLiteral("IMG_%1").arg(i, 5, 10, QLatin1Char('0')));
        image->setModificationDate(base.addMSecs(qint64(i) * 1013));
        image->setCreationDate(base.addMSecs(qint64(i) * 997));
        if (i % 3 != 0)
            image->setTimeStamp(base.addMSecs(qint64(i) * 333));
        image->setSize(quint64(20000000) + quint64(i) * 7);
        image->setImageID(i == 2 ? std::optional<quint64>(~quint64(0) - 1)
                                 : std::optional<quint64>(100000 + i));
        image->setImageIndex(i % 11 == 0 ? std::optional<qint64>(-1) : std::optional<qint64>(i));
        if (i % 4 != 0)
            image->setExposureTime(1.0 / (1 + i % 500));
        image->setSyncStatusBitmask(i % 9 == 0 ? 48 : 0);
        image->setRejected(i % 3 == 0 ? std::optional<bool>(true)
                                      : (i % 3 == 1 ? std::optional<bool>(false) : std::nullopt));
        image->setPicked(i % 5 == 0 ? std::optional<bool>(true) : std::nullopt);
        if (i % 6 == 0)
            image->setResolveDate(base.addMSecs(qint64(i) * 17));
        if (i % 4 == 3) {
            image->setExternalGUID(QStringLiteral("GUID-%1").arg(i));
            image->setExternalCollectionID(QStringLiteral("COLLECTION-%1").arg(i % 10));
        }
        if (i % 8 == 0)
            image->setDuplicateImagePath(QStringLiteral("/Volumes/Photos/%1/IMG_%2.JPG").arg(i % 4).arg(i));
        image->setOriginalFileExists(true);
        image->setFolder(folders[std::size_t(i % 4)]);
        if (i % 7 < 3)
            image->setGroup(group);
        image->setTimeGroup(timeGroup);
    }
}

QStringList describeCatalog(KTObjectContext &context)
{
    QStringList lines;
    const KTObjectModel &model = context.model();
    for (int e = 0; e < model.entityCount(); ++e) {
        const KTEntityDescription &entity = model.entity(e);
        for (KTStoreObject *object : context.fetch(KTFetchRequest{entity.name(), {}, {}})) {
            QStringList parts{entity.name(), object->objectID().toString()};
            for (const KTPropertyDescription &property : entity.properties()) {
                if (property.isToMany() || property.isTransient())
                    continue;
                const QVariant value = object->value(property.index);
                QString text;
                if (!value.isValid())
                    text = QStringLiteral("nil");
                else if (property.isToOne())
                    text = value.value<KTObjectID>().toString();
                else if (value.typeId() == QMetaType::QDateTime)
                    text = value.toDateTime().toString(Qt::ISODateWithMs);
                else if (value.typeId() == QMetaType::Double)
                    text = QString::number(value.toDouble(), 'g', 17);
                else if (value.typeId() == QMetaType::QByteArray)
                    text = QString::fromLatin1(value.toByteArray().toHex()) + QStringLiteral("[data]");
                else
                    text = value.toString();
                parts.append(property.name + QLatin1Char('=') +
                             QLatin1String(value.typeName() ? value.typeName() : "") + QLatin1Char(':') +
                             text);
            }
            lines.append(parts.join(QLatin1Char(' ')));
        }
    }
    return lines;
}

struct KTRecordingErrorSeams::State : KTErrorPresenter, KTApplicationTerminator
{
    void presentError(const KTError &error) override { presented.push_back(error); }
    void terminate(int) override { ++terminations; }
    std::vector<KTError> presented;
    int terminations = 0;
};

KTRecordingErrorSeams::KTRecordingErrorSeams() : m_state(std::make_shared<State>())
{
    m_previousPresenter =
        KTErrorPresenter::install(std::shared_ptr<KTErrorPresenter>(m_state, m_state.get()));
    m_previousTerminator =
        KTApplicationTerminator::install(std::shared_ptr<KTApplicationTerminator>(m_state, m_state.get()));
}

KTRecordingErrorSeams::~KTRecordingErrorSeams()
{
    KTErrorPresenter::install(m_previousPresenter);
    KTApplicationTerminator::install(m_previousTerminator);
}

const std::vector<KTError> &KTRecordingErrorSeams::presented() const
{
    return m_state->presented;
}

int KTRecordingErrorSeams::terminations() const
{
    return m_state->terminations;
}
