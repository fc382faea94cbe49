#include "replaycommand.h"

#include "alarms/alarmsettings.h"
#include "config/qtsettingsstore.h"
#include "history/historycsv.h"
#include "history/limitreplay.h"

#include <QFileInfo>

#include <memory>

namespace zel::history {
namespace {

// A limits file's own [Alarms] times and forward target where it sets them,
// else the monitor's: a file that holds only a [Limits] group replays with
// the station's times, as the monitor would run it.
class Layered final : public SettingsStore {
public:
    Layered(const SettingsStore& top, const SettingsStore& below) : m_top(top), m_below(below) {}
    QString read(const QString& section, const QString& key,
                 const QString& defaultValue) const override
    {
        return m_top.read(section, key, m_below.read(section, key, defaultValue));
    }
    void write(const QString&, const QString&, const QString&) override {}
    QString problem() const override { return m_top.problem(); }

private:
    const SettingsStore& m_top;
    const SettingsStore& m_below;
};

QString timeOrEmpty(const QDateTime& t, TimeStyle style)
{
    return t.isValid() ? formatTime(t.toMSecsSinceEpoch(), style) : QString();
}

} // namespace

int replayCommand(QTextStream& out, QTextStream& err, HistoryReader& reader,
                  const ReplayRequest& request)
{
    const SettingsStore& saved = request.settings;
    // QSettings reads a file it may not open as an empty one: the defaults
    // would pass for the station's limits.
    const QFileInfo savedFile(saved.location());
    QString problem = saved.problem();
    if (problem.isEmpty() && savedFile.exists() && !savedFile.isReadable())
        problem = QStringLiteral("cannot read the monitor's settings %1").arg(savedFile.filePath());
    if (!problem.isEmpty() && request.limitsFile.isEmpty()) {
        err << "zel-fm-history: " << problem << "; give the limits with --limits\n";
        return 1;
    }
    std::unique_ptr<QtSettingsStore> file;
    if (!request.limitsFile.isEmpty()) {
        // Missing or closed, QSettings would read it as empty, as above.
        const QFileInfo info(request.limitsFile);
        if (!info.isFile() || !info.isReadable()) {
            err << "zel-fm-history: cannot read the limits file " << request.limitsFile << '\n';
            return 1;
        }
        file = std::make_unique<QtSettingsStore>(request.limitsFile);
        if (const QString why = file->problem(); !why.isEmpty()) {
            err << "zel-fm-history: " << why << '\n';
            return 1;
        }
    }
    const Layered layered(file ? static_cast<const SettingsStore&>(*file) : saved, saved);
    const AlarmSettings alarms = readAlarmSettings(layered);
    const LimitSettings limits = readLimitSettings(file ? *file : saved, alarms);
    const QString source = file ? request.limitsFile : saved.location();
    for (const QString& line : alarms.problems + limits.problems)
        err << "zel-fm-history: " << source << ": " << line << '\n';
    err.flush();

    int shown = -1;
    const auto progress = [&](int percent) {
        if (request.showProgress && percent != shown) {
            shown = percent;
            err << "\rzel-fm-history: replaying, " << percent << "%" << Qt::flush;
        }
        return true;
    };
    QString error;
    const auto result = replayLimits(reader, limits, savedForwardTarget(layered), request.fromMs,
                                     request.toMs, progress, &error);
    if (request.showProgress && shown >= 0)
        err << "\r\x1b[K" << Qt::flush;
    if (!result) {
        err << "zel-fm-history: " << error << '\n';
        return 1;
    }

    out << "event,severity,raised_count,raised_seconds,first_raised,last_cleared\n";
    for (const ReplayCount& c : result->counts)
        out << QStringList{csvField(c.event),
                           c.severity,
                           QString::number(c.raisedCount),
                           QString::number(c.raisedSeconds),
                           timeOrEmpty(c.firstRaised, request.time),
                           timeOrEmpty(c.lastCleared, request.time)}
                   .join(u',')
            << '\n';
    out << '\n' << eventsHeader() << '\n';
    for (const EventRecord& e : result->firstRaises)
        out << eventRow(e, request.time) << '\n';
    return 0;
}

} // namespace zel::history
