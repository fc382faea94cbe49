#pragma once

#include "forms/form1.h"
#include "support/fakes.h"
#include "support/pty.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <memory>

// One monitor on a temporary settings file and data folder, with the
// transmitter on the far end of a pty mapped as serial port 3 (the text
// "@PTY@" in the settings stands for its device; null settings stand for a
// settings file that cannot be read).
struct MonitorRig {
    QTemporaryDir dir;
    PtyPair pty;
    FakeTray* tray = nullptr;
    FakeDialogs* dialogs = nullptr;
    // The monitor's own store, to change a key as the setup dialog would.
    zel::SettingsStore* settings = nullptr;
    // The monitor's clock: a test moves it on by hand.
    FixedClock* clock = nullptr;
    std::unique_ptr<zel::Form1> form;

    explicit MonitorRig(QByteArray ini, bool trayAvailable = true, QString dataFolder = {},
                        zel::Form1Parts parts = {});

    QString iniPath() const { return dir.filePath(QStringLiteral("ZEL.ini")); }
    QString logPath() const { return dir.filePath(QStringLiteral("Log-ZEL.txt")); }
    QByteArray log() const;
    QString box(int n) const;
    QString trace() const;
    // A key as stored, read back through a fresh store.
    QString stored(const QString& key) const;
    // Sends a frame and waits until the panel has shown it.
    bool deliver(const QByteArray& frame);
};
