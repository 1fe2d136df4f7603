#pragma once

/// The application's bundle identifier: names the application-support folder and prefixes the
/// labels of the application's queues (kBundleIdentifier + ".rawprocessing", ".imageCache").
inline constexpr char kBundleIdentifier[] = "com.brontwell.vireoscope";
