#pragma once

#include "config/settingsstore.h"
#include "shell/clock.h"
#include "shell/filelocations.h"
#include "shell/operatordialogs.h"
#include "shell/trayicon.h"
#include "telemetry/transmitterstatus.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <optional>
#include <stdexcept>

// The tray cannot be driven under the offscreen platform: this one records.
class FakeTray final : public zel::TrayIcon {
public:
    bool available = true;
    bool failOnSetIcon = false;
    QIcon icon;
    QString toolTip;
    int shows = 0;
    QStringList messages;
    QStringList messageTitles;
    QList<MessageIcon> messageIcons;

    bool isAvailable() const override { return available; }
    void setToolTip(const QString& text) override { toolTip = text; }
    void setIcon(const QIcon& i) override
    {
        if (failOnSetIcon)
            throw std::runtime_error("icon store broken");
        icon = i;
    }
    void TrayShow() override { ++shows; }
    void showMessage(const QString& title, const QString& text, MessageIcon icon) override
    {
        messageTitles << title;
        messages << text;
        messageIcons << icon;
    }
};

// Modal dialogs cannot be answered by a test: record them, answer from a script.
class FakeDialogs final : public zel::OperatorDialogs {
public:
    struct Shown {
        QString text, title;
        Icon icon;
    };
    QList<Shown> messages;
    QStringList notices;
    QStringList inputs; // answers for inputBox, first to last

    // While set, messages given with a closing action stay open until
    // closeMessages().
    bool keepOpen = false;
    QList<std::function<void()>> open;

    void message(const QString& text, const QString& title, Icon icon) override
    {
        messages.append({text, title, icon});
    }
    void messageThen(const QString& text, std::function<void()> closed) override
    {
        message(text, QString(), Icon::None);
        open << std::move(closed);
        if (!keepOpen)
            closeMessages();
    }
    void closeMessages()
    {
        while (!open.isEmpty())
            open.takeFirst()();
    }
    QString inputBox(const QString&, const QString&, const QString&) override
    {
        return inputs.isEmpty() ? QString() : inputs.takeFirst();
    }
    void notice(const QString& text) override { notices << text; }
};

// The monotonic clock follows the wall clock unless a test sets it apart,
// as a test of a stepped wall clock does.
class FixedClock final : public zel::Clock {
public:
    QDateTime at;
    std::optional<qint64> monotonic;
    QDateTime now() const override { return at; }
    qint64 monotonicMs() const override { return monotonic ? *monotonic : at.toMSecsSinceEpoch(); }
};

class FolderLocations final : public zel::FileLocations {
public:
    explicit FolderLocations(QString folder) : m_folder(std::move(folder)) {}
    QString statusLogPath() const override { return m_folder + QStringLiteral("/Log-ZEL.txt"); }
    QString traceFilePath() const override { return m_folder + QStringLiteral("/logs.txt"); }
    QString historyDatabasePath() const override
    {
        return m_folder + QStringLiteral("/history.db");
    }

private:
    QString m_folder;
};

// The settings store in memory, keyed "Section/key" as the file would be.
class MemorySettings final : public zel::SettingsStore {
public:
    QMap<QString, QString> values;
    QString read(const QString& section, const QString& key,
                 const QString& defaultValue) const override
    {
        return values.value(section + u'/' + key, defaultValue);
    }
    void write(const QString& section, const QString& key, const QString& value) override
    {
        values.insert(section + u'/' + key, value);
    }
    void remove(const QString& section, const QString& key) override
    {
        values.remove(section + u'/' + key);
    }
    QString problem() const override { return QString(); }
};

// The record's twelve fields as texts, flags as "1" or "0", in frame order.
inline QStringList statusFields(const zel::TransmitterStatus& s)
{
    const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    return {s.DeviceId, flag(s.OnAir), s.FrequencyMHz, flag(s.FreqLock),
            s.ForwardW, s.ReflectW,    s.TemperatureC, s.VoltageV,
            s.CurrentA, s.ModPercent,  s.AudioLeft,    s.AudioRight};
}
