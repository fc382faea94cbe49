#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>

// A monitor started by a test runs without a display and keeps its settings
// and record in the test's own folder.
inline QProcessEnvironment headlessEnvironment(const QTemporaryDir& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    return env;
}

// The monitor's wall clock follows offsetFile (libfaketime's "+0", "-8",
// "+7200", re-read at every call) while its monotonic clock stays true.
inline void followWallClockFile(QProcessEnvironment& env, const QString& preload,
                                const QString& offsetFile)
{
    env.insert(QStringLiteral("LD_PRELOAD"), preload);
    env.remove(QStringLiteral("FAKETIME"));
    env.insert(QStringLiteral("FAKETIME_TIMESTAMP_FILE"), offsetFile);
    env.insert(QStringLiteral("FAKETIME_NO_CACHE"), QStringLiteral("1"));
    env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
    env.insert(QStringLiteral("FAKETIME_DISABLE_SHM"), QStringLiteral("1"));
#if defined(__SANITIZE_ADDRESS__)
    // The preloaded library comes before the sanitizer's runtime.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), (asan.isEmpty() ? QString() : asan + u':') +
                                                   QStringLiteral("verify_asan_link_order=0"));
#endif
}
