#include "KTAppDelegate.h"

#include "KTUserDefaults.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

KTAppDelegate::KTAppDelegate(QObject *parent) : QObject(parent) {}

KTAppDelegate::~KTAppDelegate() = default;

void KTAppDelegate::seedLaunchDefaults(KTUserDefaults &defaults)
{
    const std::pair<QString, bool> seeds[] = {
        {kLightroomSyncOptionPicks, true},
        {kLightroomSyncOptionRejects, true},
        {kShowRAWandJPEGAsOneFileOption, false},
    };
    for (const auto &[key, value] : seeds) {
        if (!defaults.hasStoredValue(key))
            defaults.setBool(value, key);
    }
    defaults.synchronize();
}

void KTAppDelegate::applicationDidFinishLaunching()
{
    seedLaunchDefaults(KTUserDefaults::standardUserDefaults());

    // Until the main window controller exists, the window shows the application's name only.
    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle(QApplication::applicationDisplayName());
    auto *label = new QLabel(QApplication::applicationDisplayName());
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 2.5);
    label->setFont(font);
    window->setCentralWidget(label);
    window->resize(1100, 720);
    window->show();
    m_mainWindow = std::move(window);
}
