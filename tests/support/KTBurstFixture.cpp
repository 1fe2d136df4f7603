#include "KTBurstFixture.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cstdint>

namespace {

// xorshift32: the same sequence on every platform, unlike the standard distributions.
class Generator
{
public:
    explicit Generator(uint32_t seed) : m_state(seed ? seed : 1u) {}
    uint32_t next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    int range(int low, int high) { return low + int(next() % uint32_t(high - low + 1)); }

private:
    uint32_t m_state;
};

struct Shape
{
    int kind; // 0 ellipse, 1 rectangle, 2 stripe
    QRectF rect;
    QColor color;
};

struct Scene
{
    QColor top;
    QColor bottom;
    std::vector<Shape> shapes;
};

QColor randomColor(Generator &random)
{
    return QColor(random.range(20, 235), random.range(20, 235), random.range(20, 235));
}

Scene makeScene(Generator &random, int width, int height, const Scene *palette)
{
    Scene scene;
    scene.top = palette ? palette->top : randomColor(random);
    scene.bottom = palette ? palette->bottom : randomColor(random);
    const int count = random.range(4, 7);
    for (int k = 0; k < count; ++k) {
        Shape shape;
        shape.kind = random.range(0, 2);
        const double w = random.range(width / 6, width / 2);
        const double h = random.range(height / 6, height / 2);
        shape.rect = QRectF(random.range(-width / 10, width - int(w) / 2),
                            random.range(-height / 10, height - int(h) / 2), w, h);
        shape.color =
            palette ? palette->shapes[std::size_t(k) % palette->shapes.size()].color : randomColor(random);
        scene.shapes.push_back(shape);
    }
    return scene;
}

// One shot of a scene: the camera moved by (dx, dy) pixels, exposure scaled by `gain`, and
// sensor noise of up to +-noise per channel.
QImage render(const Scene &scene, int width, int height, double dx, double dy, double gain, int noise,
              Generator &random)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, scene.top);
    gradient.setColorAt(1, scene.bottom);
    painter.fillRect(image.rect(), gradient);
    painter.translate(dx, dy);
    painter.setPen(Qt::NoPen);
    for (const Shape &shape : scene.shapes) {
        painter.setBrush(shape.color);
        if (shape.kind == 0)
            painter.drawEllipse(shape.rect);
        else if (shape.kind == 1)
            painter.drawRect(shape.rect);
        else
            painter.drawRect(
                QRectF(shape.rect.x(), shape.rect.y(), shape.rect.width(), shape.rect.height() / 4));
    }
    painter.end();

    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            auto channel = [&](int value) {
                const int noisy = int(value * gain) + (noise ? random.range(-noise, noise) : 0);
                return std::clamp(noisy, 0, 255);
            };
            line[x] = qRgb(channel(qRed(line[x])), channel(qGreen(line[x])), channel(qBlue(line[x])));
        }
    }
    return image;
}

} // namespace

std::vector<KTBurstPhoto> makeBurstFixture(const KTBurstFixtureOptions &options)
{
    Generator random(options.seed);
    const int width = options.width;
    const int height = options.height;
    const QDateTime start(QDate(2026, 6, 1), QTime(9, 0, 0));
    std::vector<KTBurstPhoto> photos;
    std::vector<Scene> scenes;
    // Consecutive scenes are five minutes apart: near enough in time for the weakening to relax
    // the threshold between different subjects too.
    int minute = 0;
    auto addBurst = [&](int sceneIndex, int burst, int variants, const QDateTime &first) {
        for (int v = 0; v < variants; ++v) {
            KTBurstPhoto photo;
            photo.id =
                QStringLiteral("s%1-b%2-%3").arg(sceneIndex, 2, 10, QLatin1Char('0')).arg(burst).arg(v);
            photo.scene = sceneIndex;
            photo.burst = burst;
            const double dx = random.range(-2, 2) * width / 120.0;
            const double dy = random.range(-2, 2) * height / 90.0;
            // Exposure steps of about a sixth of a stop either way.
            const double gains[] = {1.0, 0.94, 1.06, 0.97, 1.03, 1.0};
            photo.image =
                render(scenes[std::size_t(sceneIndex)], width, height, dx, dy, gains[v % 6], 6, random);
            photo.shotTime = first.addSecs(v);
            photo.exposureTime = 1.0 / 250.0;
            photos.push_back(photo);
        }
    };

    for (int s = 0; s < options.scenes; ++s) {
        scenes.push_back(makeScene(random, width, height, nullptr));
        addBurst(s, 0, 3 + s % 4, start.addSecs(60 * minute));
        minute += 5;
    }
    // Look-alikes: the palette of an earlier scene with another layout.
    for (int k = 0; k < options.lookAlikes; ++k) {
        const int sceneIndex = int(scenes.size());
        scenes.push_back(makeScene(random, width, height, &scenes[std::size_t(k)]));
        addBurst(sceneIndex, 0, 3, start.addSecs(60 * minute));
        minute += 5;
    }
    // Same spot, another moment: every other subject of an earlier scene replaced.
    for (int k = 0; k < options.sameSpots; ++k) {
        const int sceneIndex = int(scenes.size());
        Scene scene = scenes[std::size_t(options.scenes - 1 - k)];
        const Scene replacement = makeScene(random, width, height, nullptr);
        for (std::size_t s = 0; s < scene.shapes.size(); s += 2)
            scene.shapes[s] = replacement.shapes[s % replacement.shapes.size()];
        scenes.push_back(scene);
        addBurst(sceneIndex, 0, 3, start.addSecs(60 * minute));
        minute += 5;
    }
    // Unrelated single shots, each its own scene.
    for (int k = 0; k < options.singles; ++k) {
        const int sceneIndex = int(scenes.size());
        scenes.push_back(makeScene(random, width, height, nullptr));
        KTBurstPhoto photo;
        photo.id = QStringLiteral("u%1").arg(k);
        photo.scene = sceneIndex;
        photo.image = render(scenes.back(), width, height, 0, 0, 1.0, 6, random);
        photo.shotTime = start.addSecs(60 * minute);
        photo.exposureTime = 1.0 / 125.0;
        photos.push_back(photo);
        minute += 5;
    }
    // Scene 0 again, two hours after its first burst.
    addBurst(0, 1, 4, start.addSecs(2 * 3600));
    return photos;
}

std::vector<QString> writeBurstFixture(const std::vector<KTBurstPhoto> &photos, const QString &folder)
{
    std::vector<QString> paths;
    QDir().mkpath(folder);
    for (const KTBurstPhoto &photo : photos) {
        const QString path = QDir(folder).filePath(photo.id + QStringLiteral(".jpg"));
        if (!photo.image.save(path, "JPEG", 95)) {
            paths.emplace_back();
            continue;
        }
        try {
            auto file = Exiv2::ImageFactory::open(path.toStdString());
            file->readMetadata();
            Exiv2::ExifData exif;
            exif["Exif.Photo.DateTimeOriginal"] =
                photo.shotTime.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toStdString();
            exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, uint32_t(1.0 / photo.exposureTime + 0.5));
            exif["Exif.Image.Model"] = "Burst Camera";
            file->setExifData(exif);
            file->writeMetadata();
            paths.push_back(path);
        } catch (const std::exception &) {
            paths.emplace_back();
        }
    }
    return paths;
}
