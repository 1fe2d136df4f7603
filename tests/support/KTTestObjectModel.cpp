#include "KTTestObjectModel.h"

#include "KTObjectModel.h"

std::shared_ptr<const KTObjectModel> testObjectModel()
{
    static const std::shared_ptr<const KTObjectModel> s_model = [] {
        auto model = std::make_shared<KTObjectModel>();
        model->addEntity(kPhoto, nullptr)
            .addAttribute(QStringLiteral("name"), KTAttributeType::String)
            .addAttribute(QStringLiteral("rank"), KTAttributeType::Integer64)
            .addAttribute(QStringLiteral("flag"), KTAttributeType::Boolean)
            .addAttribute(QStringLiteral("shown"), KTAttributeType::Boolean, KTPropertyStorage::Transient)
            .addToOne(QStringLiteral("album"), kAlbum, QStringLiteral("photos"));
        model->addEntity(kAlbum, nullptr)
            .addAttribute(QStringLiteral("title"), KTAttributeType::String)
            .addToMany(QStringLiteral("photos"), kPhoto, QStringLiteral("album"));
        model->finalize();
        return std::shared_ptr<const KTObjectModel>(std::move(model));
    }();
    return s_model;
}
