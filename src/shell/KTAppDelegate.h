#pragma once

#include <QObject>
#include <QString>

#include <memory>

class KTUserDefaults;
class QWidget;

inline const QString kLightroomSyncOptionPicks = QStringLiteral("kLightroomSyncOptionPicks");
inline const QString kLightroomSyncOptionRejects = QStringLiteral("kLightroomSyncOptionRejects");
inline const QString kShowRAWandJPEGAsOneFileOption = QStringLiteral("kShowRAWandJPEGAsOneFileOption");

/// Runs the application's launch sequence.
///
/// Threading: main thread only.
class KTAppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit KTAppDelegate(QObject *parent = nullptr);
    ~KTAppDelegate() override;

    /// Seeds the defaults, then shows the main window.
    void applicationDidFinishLaunching();

    /// Writes the launch defaults that have no stored value (the Lightroom pick and reject sync
    /// on, RAW+JPEG as one file off) and synchronises. A stored value, YES or NO, is kept.
    static void seedLaunchDefaults(KTUserDefaults &defaults);

private:
    std::unique_ptr<QWidget> m_mainWindow;
};
