#include "KTAbstractButton.h"
#include "KTBOOLToButtonStateValueTransformer.h"
#include "KTBinding.h"
#include "KTButton.h"
#include "KTFraction.h"
#include "KTMultiBindingsController.h"
#include "KTObjectContext.h"
#include "KTStoreObject.h"
#include "KTTestObjectModel.h"
#include "KTTestSupport.h"
#include "KTUserDefaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

/// An object with an observable boolean, as the review modes' records expose them.
class Flagged : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool picked READ picked WRITE setPicked NOTIFY pickedChanged)
    Q_PROPERTY(double zoom READ zoom WRITE setZoom NOTIFY zoomChanged)
public:
    explicit Flagged(bool picked = false) : m_picked(picked) {}
    bool picked() const { return m_picked; }
    void setPicked(bool picked)
    {
        if (picked == m_picked)
            return;
        m_picked = picked;
        emit pickedChanged();
    }
    double zoom() const { return m_zoom; }
    void setZoom(double zoom)
    {
        if (zoom == m_zoom)
            return;
        m_zoom = zoom;
        emit zoomChanged();
    }

signals:
    void pickedChanged();
    void zoomChanged();

private:
    bool m_picked = false;
    double m_zoom = 0;
};

QList<KTBindingSource> sources(const std::vector<std::unique_ptr<Flagged>> &objects)
{
    QList<KTBindingSource> result;
    for (const auto &object : objects)
        result.append(object.get());
    return result;
}

} // namespace

TEST(KTBindingTest, MultiBindingIsTrueOnlyWhenEveryObjectIs)
{
    KTMultiBindingsController controller;
    controller.bindBoolValueToObjects({}, "picked");
    EXPECT_FALSE(controller.boolValue()) << "an empty set";

    std::vector<std::unique_ptr<Flagged>> objects;
    for (int i = 0; i < 3; ++i)
        objects.push_back(std::make_unique<Flagged>(true));
    controller.bindBoolValueToObjects(sources(objects), "picked");
    EXPECT_TRUE(controller.boolValue());
    objects[1]->setPicked(false);
    drainMainQueue();
    EXPECT_FALSE(controller.boolValue());

    // Bound to a new set, the old one is no longer heard.
    std::vector<std::unique_ptr<Flagged>> others;
    others.push_back(std::make_unique<Flagged>(true));
    controller.bindBoolValueToObjects(sources(others), "picked");
    EXPECT_TRUE(controller.boolValue());
    const int adjusted = controller.adjustCount();
    objects[1]->setPicked(true);
    objects[0]->setPicked(false);
    drainMainQueue();
    EXPECT_EQ(controller.adjustCount(), adjusted);
}

TEST(KTBindingTest, TenChangesInOneTurnGiveOneRecomputation)
{
    std::vector<std::unique_ptr<Flagged>> objects;
    for (int i = 0; i < 10; ++i)
        objects.push_back(std::make_unique<Flagged>(false));
    KTMultiBindingsController controller;
    controller.bindBoolValueToObjects(sources(objects), "picked");
    QSignalSpy changes(&controller, &KTMultiBindingsController::boolValueChanged);
    const int before = controller.adjustCount();
    for (auto &object : objects)
        object->setPicked(true);
    EXPECT_TRUE(controller.needsAdjustBoolValue());
    EXPECT_FALSE(controller.boolValue()) << "recomputed before the turn ended";
    drainMainQueue();
    EXPECT_EQ(controller.adjustCount(), before + 1);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(controller.boolValue());
}

TEST(KTBindingTest, ChangesFromAnotherThreadAreRecomputedOnTheMainThread)
{
    Flagged object(false);
    KTMultiBindingsController controller;
    controller.bindBoolValueToObjects({&object}, "picked");
    bool onMain = false;
    QObject::connect(
        &controller, &KTMultiBindingsController::boolValueChanged, &controller,
        [&] { onMain = QThread::currentThread() == qApp->thread(); }, Qt::DirectConnection);
    std::unique_ptr<QThread> worker(QThread::create([&] { object.setPicked(true); }));
    worker->start();
    worker->wait();
    EXPECT_TRUE(waitUntil([&] { return controller.boolValue(); }));
    EXPECT_TRUE(onMain);
}

TEST(KTBindingTest, ButtonStateAndVisibilityFollowARecordKey)
{
    auto context = KTObjectContext::makeMainContext(testObjectModel());
    KTStoreObject *photo = context->insertObject(kPhoto);
    photo->setValue("flag", true);

    KTButton bitmap;
    KTAbstractButton framework;
    kt_bindStateToObject(&bitmap, photo, "flag");
    kt_bindStateToObject(&framework, photo, "flag");
    kt_bindVisibilityToObject(&framework, photo, "flag");
    EXPECT_EQ(bitmap.state(), 1);
    EXPECT_TRUE(framework.isPushed());
    EXPECT_FALSE(framework.isHidden());
    photo->setValue("flag", false);
    EXPECT_EQ(bitmap.state(), 0);
    EXPECT_FALSE(framework.isPushed());
    EXPECT_TRUE(framework.isHidden());

    // Bound again elsewhere, the first record is no longer followed; a null object changes nothing.
    KTStoreObject *other = context->insertObject(kPhoto);
    kt_bindStateToObject(&bitmap, other, "flag");
    photo->setValue("flag", true);
    EXPECT_EQ(bitmap.state(), 0);
    bitmap.setState(1);
    kt_bindStateToObject(&bitmap, KTBindingSource(), "flag");
    EXPECT_EQ(bitmap.state(), 1);
}

TEST(KTBindingTest, PropertyAndDefaultsFollowEachOther)
{
    QTemporaryDir dir;
    KTUserDefaults defaults(dir.filePath("defaults.ini"));
    defaults.setDouble(0.25, "zoom");
    Flagged object;
    bindPropertyToDefaultsKey(&object, "zoom", defaults);
    EXPECT_EQ(object.zoom(), 0.25);
    defaults.setDouble(0.5, "zoom");
    drainMainQueue();
    EXPECT_EQ(object.zoom(), 0.5);
    object.setZoom(0.75);
    EXPECT_EQ(defaults.doubleForKey("zoom"), 0.75);
}

TEST(KTBindingTest, BoolToButtonStateTransformerAndFractions)
{
    EXPECT_EQ(KTBOOLToButtonStateValueTransformer::transformedValue(true).toInt(), 1);
    EXPECT_EQ(KTBOOLToButtonStateValueTransformer::transformedValue(false).toInt(), 0);
    EXPECT_EQ(KTBOOLToButtonStateValueTransformer::transformedValue(QVariant()).toInt(), 0);
    EXPECT_EQ(KTBOOLToButtonStateValueTransformer::transformedValue(2).toInt(), 1);
    EXPECT_FALSE(KTBOOLToButtonStateValueTransformer::allowsReverseTransformation());

    // A range of 0 or less, or values that are not numbers, give 0 and never NaN.
    struct Case
    {
        double value, minimum, maximum, expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {{5, 0, 10, 0.5}, {5, 5, 5, 0},   {5, 10, 0, 0},
                          {nan, 0, 1, 0},  {1, 0, inf, 0}, {1, nan, 2, 0}};
    for (const Case &c : cases) {
        const double fraction = ktFraction(c.value, c.minimum, c.maximum);
        EXPECT_FALSE(std::isnan(fraction));
        EXPECT_EQ(fraction, c.expected) << c.value << " in " << c.minimum << ".." << c.maximum;
    }
}

#include "KTBindingTest.moc"
