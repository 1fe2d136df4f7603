#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class KTScreenSession;
class QWidget;

/// What a screen is given: the device pixel ratio it renders at, the generated session, and a
/// way to photograph a widget.
class KTScreenContext
{
public:
    explicit KTScreenContext(KTScreenSession *session) : m_session(session) {}

    /// The ratio the process renders at (the screens tool runs once at 1 and once at 2).
    qreal devicePixelRatio() const;
    /// The generated session (see KTScreenSession); null when the run was started without one.
    KTScreenSession *session() const { return m_session; }

    /// Shows `widget` as a window at its current size (offscreen or under Xvfb), lets it lay out
    /// and paint, runs `afterShow` (to put controls into hover or pressed states by real events),
    /// and returns what it shows at the device pixel ratio.
    QImage capture(QWidget &widget, const std::function<void()> &afterShow = {}) const;

private:
    KTScreenSession *m_session = nullptr;
};

/// One picture of the screens tool.
struct KTScreen
{
    QString name;
    std::function<QImage(KTScreenContext &)> render;
};

/// The screens that exist, filled by KT_SCREEN registrations in the Screens<Area>.cpp files.
class KTScreenRegistry
{
public:
    /// Adds a screen; returns true so it can initialise a static. Names are file names: keep them
    /// to letters, digits, '-' and '_'.
    static bool add(const QString &name, std::function<QImage(KTScreenContext &)> render);
    /// Every screen, sorted by name.
    static std::vector<KTScreen> screens();
};

#define KT_SCREEN_CONCAT2(a, b) a##b
#define KT_SCREEN_CONCAT(a, b) KT_SCREEN_CONCAT2(a, b)

/// Registers a screen named `name` (an identifier) whose body follows and returns its picture:
///
///     KT_SCREEN(controls_gallery) { QWidget sheet; ...; return context.capture(sheet); }
#define KT_SCREEN(name)                                                                                      \
    static QImage KT_SCREEN_CONCAT(ktScreen_, name)(KTScreenContext & context);                              \
    [[maybe_unused]] static const bool KT_SCREEN_CONCAT(ktScreenRegistered_, name) =                         \
        KTScreenRegistry::add(QStringLiteral(#name), &KT_SCREEN_CONCAT(ktScreen_, name));                    \
    static QImage KT_SCREEN_CONCAT(ktScreen_, name)([[maybe_unused]] KTScreenContext & context)
