#include "KTPredicate.h"

#include "KTObjectContext.h"
#include "KTStoreObject.h"
#include "KTTestObjectModel.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

// One photo per state of the tri-state "flag": nil, NO, YES.
struct TriState : ::testing::Test
{
    void SetUp() override
    {
        context = KTObjectContext::makeMainContext(testObjectModel());
        for (const QVariant &flag : {QVariant(), QVariant(false), QVariant(true)}) {
            KTStoreObject *photo = context->insertObject(kPhoto);
            photo->setValue("flag", flag);
            photos.append(photo);
        }
    }
    // Which of nil, NO, YES the predicate accepts, as "nil NO YES" with "-" for a rejection.
    QString accepted(const KTPredicate &predicate) const
    {
        static const char *const names[] = {"nil", "NO", "YES"};
        QStringList result;
        for (int i = 0; i < 3; ++i)
            result.append(predicate.evaluate(*photos[i]) ? QString::fromLatin1(names[i])
                                                         : QStringLiteral("-"));
        return result.join(QLatin1Char(' '));
    }

    std::shared_ptr<KTObjectContext> context;
    QList<KTStoreObject *> photos;
};

} // namespace

TEST_F(TriState, NilIsNeitherYesNorNo)
{
    const KTKeyPath flag("flag");
    const struct
    {
        KTPredicate predicate;
        const char *expected;
    } cases[] = {
        {flag == true, "- - YES"},
        {flag != true, "nil NO -"},
        {flag == false, "- NO -"},
        {flag != false, "nil - YES"},
        {flag.isNil(), "nil - -"},
        {flag.isNotNil(), "- NO YES"},
        {flag == 1, "- - YES"},
        {flag > false, "- - YES"},
        {flag < true, "- NO -"},
        {flag.in({true, QVariant()}), "nil - YES"},
        {!(flag == true), "nil NO -"},
        {(flag != true) && (KTKeyPath("rank") != true), "nil NO -"},
        {(flag == true) || flag.isNil(), "nil - YES"},
        {KTPredicate(), "nil NO YES"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(accepted(c.predicate), QString::fromLatin1(c.expected))
            << c.predicate.format().toStdString();
}

TEST(KTPredicateTest, ComparesValuesByKindAndNilNeverOrders)
{
    auto context = KTObjectContext::makeMainContext(testObjectModel());
    KTStoreObject *photo = context->insertObject(kPhoto);
    photo->setValue("name", "IMG_0010");
    photo->setValue("rank", qint64(5));
    KTStoreObject *empty = context->insertObject(kPhoto);

    const KTKeyPath name("name");
    const KTKeyPath rank("rank");
    const struct
    {
        KTPredicate predicate;
        bool onPhoto;
        bool onEmpty;
    } cases[] = {
        {rank == 5.0, true, false},
        {rank == quint64(5), true, false},
        {rank > -1, true, false},
        {rank <= 5, true, false},
        {rank < 5, false, false},
        {rank == "5", false, false},        // a string never equals a number
        {name == "img_0010", false, false}, // case-sensitive
        {name > "IMG_0009", true, false},
        {name.like("IMG_*"), true, false},
        {name.like("IMG_00?0"), true, false},
        {name.like("IMG"), false, false},   // LIKE matches the whole string
        {!name.like("IMG_*"), false, true}, // NOT LIKE holds for nil
        {name.contains("_00"), true, false},
        {name.in({"a", "IMG_0010"}), true, false},
        {rank.maskEquals(4, 4), true, false},
        {rank.maskEquals(2, 2), false, false},
        {rank.maskEquals(2, 0), true, true}, // nil reads as 0
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.predicate.evaluate(*photo), c.onPhoto) << c.predicate.format().toStdString();
        EXPECT_EQ(c.predicate.evaluate(*empty), c.onEmpty) << c.predicate.format().toStdString();
    }
}

TEST(KTPredicateTest, KeyPathsFollowToOneRelationships)
{
    auto context = KTObjectContext::makeMainContext(testObjectModel());
    KTStoreObject *album = context->insertObject(kAlbum);
    album->setValue("title", "Trip");
    KTStoreObject *inAlbum = context->insertObject(kPhoto);
    inAlbum->setRelatedObject("album", album);
    KTStoreObject *loose = context->insertObject(kPhoto);

    const KTPredicate titled = KTKeyPath("album.title") == "Trip";
    EXPECT_TRUE(titled.evaluate(*inAlbum));
    EXPECT_FALSE(titled.evaluate(*loose));
    EXPECT_TRUE((KTKeyPath("album.title") != "Trip").evaluate(*loose));
    EXPECT_TRUE((KTKeyPath("album") == album).evaluate(*inAlbum));
    EXPECT_TRUE((KTKeyPath("album") == nullptr).evaluate(*loose));
    EXPECT_TRUE(KTKeyPath("album").isNotNil().evaluate(*inAlbum));
}

TEST(KTPredicateTest, CallbackPredicatesAndFormat)
{
    auto context = KTObjectContext::makeMainContext(testObjectModel());
    KTStoreObject *photo = context->insertObject(kPhoto);
    const KTPredicate isPhoto = KTPredicate::fromCallback(
        [](const KTStoreObject &object) { return object.entity().name() == kPhoto; });
    EXPECT_TRUE(isPhoto.evaluate(*photo));

    const KTPredicate combined = (KTKeyPath("flag") == true) && (KTKeyPath("name") != QVariant());
    EXPECT_EQ(combined.format(), QStringLiteral("(flag == YES) AND (name != nil)"));
    const KTPredicate copy = combined;
    EXPECT_TRUE(copy.isSameAs(combined));
    EXPECT_FALSE(copy.isSameAs((KTKeyPath("flag") == true) && (KTKeyPath("name") != QVariant())));
}
