#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

/// A recoverable failure to be shown to the user: a domain, a code and a readable description.
struct KTError
{
    QString domain;
    int code = 0;
    QString localizedDescription;
    QVariantMap userInfo;

    bool isNull() const { return domain.isEmpty() && code == 0 && localizedDescription.isEmpty(); }
};

/// Presents errors to the user. Replaceable, so that tests can record what would be shown.
///
/// Threading: main thread only.
class KTErrorPresenter
{
public:
    virtual ~KTErrorPresenter() = default;
    virtual void presentError(const KTError &error) = 0;

    /// The presenter in use: a modal message box unless one was installed.
    static KTErrorPresenter &shared();
    /// Installs `presenter` (null restores the message box); returns the previous one.
    static std::shared_ptr<KTErrorPresenter> install(std::shared_ptr<KTErrorPresenter> presenter);
};

/// Ends the application. Replaceable, so that a test can see a fatal path taken without dying.
class KTApplicationTerminator
{
public:
    virtual ~KTApplicationTerminator() = default;
    /// Asks the application to quit with `exitCode` once control returns to the event loop.
    virtual void terminate(int exitCode) = 0;

    static KTApplicationTerminator &shared();
    static std::shared_ptr<KTApplicationTerminator> install(std::shared_ptr<KTApplicationTerminator> terminator);
};
