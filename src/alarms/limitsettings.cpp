#include "limitsettings.h"

#include "common/lenientnumber.h"
#include "config/settingskeys.h"

#include <cmath>

namespace zel {
namespace {

const std::array<QString, 4> LevelNames{
    QStringLiteral("low_critical"), QStringLiteral("low_warning"), QStringLiteral("high_warning"),
    QStringLiteral("high_critical")};

class Reader {
public:
    Reader(const SettingsStore& store, QStringList& problems) : m_store(store), m_problems(problems)
    {
    }

    QString text(const QString& key, const QString& fallback) const
    {
        return m_store.read(keys::LimitsSection, key, fallback).trimmed();
    }

    void problem(const QString& key, const QString& value, const QString& why)
    {
        m_problems
            << QStringLiteral("[%1] %2 = \"%3\" %4").arg(keys::LimitsSection, key, value, why);
    }

    std::optional<Threshold> threshold(const QString& key, const QString& fallback, bool relative,
                                       bool nonNegative)
    {
        const QString value = text(key, fallback);
        LimitValue v = parseThreshold(value, relative, nonNegative);
        if (!v.problem.isEmpty())
            problem(key, value, v.problem + QStringLiteral("; this limit is off"));
        return v.threshold;
    }

    // A plain number of at least 0, or fallback.
    double level(const QString& key, double fallback)
    {
        const QString value = text(key, QString());
        if (value.isEmpty())
            return fallback;
        if (const auto v = parseLevel(value))
            return *v;
        problem(key, value,
                QStringLiteral("is not a number from 0 up; using %1").arg(fallback, 0, 'g', 6));
        return fallback;
    }

private:
    const SettingsStore& m_store;
    QStringList& m_problems;
};

void checkOrder(const QString& reading, const ReadingLimits& l, QStringList& problems)
{
    for (const auto& [i, j] : levelsOutOfOrder(l)) {
        problems << QStringLiteral("[%1] %2.%3 and %2.%4 are out of order: %5")
                        .arg(keys::LimitsSection, reading, LevelNames[i], LevelNames[j],
                             LevelOrder);
    }
}

} // namespace

// The designed alarms and low power, as their keys would be written.
QString defaultLimitText(Reading r, LimitKey key)
{
    if (r == Reading::TemperatureC && key == LimitKey::HighCritical)
        return QStringLiteral("45");
    if (r == Reading::ReflectedW && key == LimitKey::HighCritical)
        return QStringLiteral("6%");
    if (r == Reading::ForwardW && key == LimitKey::LowWarning)
        return QStringLiteral("90%");
    if (r == Reading::ForwardW && key == LimitKey::LowCritical)
        return QStringLiteral("50%");
    return QString();
}

bool takesRelative(Reading r)
{
    return r == Reading::ForwardW || r == Reading::ReflectedW;
}

LimitValue parseThreshold(const QString& text, bool relative, bool nonNegative)
{
    QString number = text.trimmed();
    if (number.isEmpty())
        return {};
    Threshold t;
    if (number.endsWith(u'%')) {
        if (!relative)
            return {std::nullopt,
                    QStringLiteral("is relative, which only forward_w and reflected_w take")};
        number.chop(1);
        t.relative = true;
    }
    bool ok = false;
    const double v = number.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return {std::nullopt, QStringLiteral("is not a number")};
    if ((t.relative || nonNegative) && v < 0)
        return {std::nullopt, QStringLiteral("is below zero")};
    t.value = t.relative ? v / 100 : v;
    return {t, QString()};
}

std::optional<double> parseLevel(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) && v >= 0 ? std::optional<double>(v) : std::nullopt;
}

// Limits of different kinds (watts and per cent) cannot be compared.
QList<std::pair<int, int>> levelsOutOfOrder(const ReadingLimits& l)
{
    QList<std::pair<int, int>> found;
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            const auto a = l.levels[i];
            const auto b = l.levels[j];
            if (!a || !b || a->relative != b->relative)
                continue;
            const bool acrossSides = i < 2 && j >= 2;
            if (!(acrossSides ? a->value < b->value : a->value <= b->value))
                found.append({i, j});
        }
    }
    return found;
}

QString limitKeyName(LimitKey key)
{
    return LevelNames[std::size_t(key)];
}

bool ReadingLimits::any() const
{
    for (const auto& l : levels) {
        if (l)
            return true;
    }
    return false;
}

bool ReadingLimits::anyRelative() const
{
    for (const auto& l : levels) {
        if (l && l->relative)
            return true;
    }
    return hysteresis.relative;
}

LimitSettings readLimitSettings(const SettingsStore& store, const AlarmSettings& alarms)
{
    LimitSettings s;
    Reader in(store, s.problems);
    for (int i = 0; i < ReadingCount; ++i) {
        const Reading r = Reading(i);
        const QString name = readingName(r);
        ReadingLimits& l = s.readings[std::size_t(i)];
        for (int k = 0; k < 4; ++k) {
            const LimitKey key = LimitKey(k);
            l.levels[std::size_t(k)] = in.threshold(
                name + u'.' + LevelNames[k], defaultLimitText(r, key), takesRelative(r), false);
        }
        const QString band = name + u'.' + keys::Hysteresis;
        l.hysteresis = in.threshold(band, QString(), takesRelative(r), true).value_or(Threshold{});
        l.qualifySeconds =
            readSeconds(store, keys::LimitsSection, name + u'.' + keys::LimitQualifySeconds, 0,
                        alarms.qualifySeconds, s.problems);
        l.clearSeconds =
            readSeconds(store, keys::LimitsSection, name + u'.' + keys::LimitClearSeconds, 0,
                        alarms.clearSeconds, s.problems);
        checkOrder(name, l, s.problems);
    }

    s.minForwardW = in.level(keys::MinForwardW, s.minForwardW);
    SilenceSettings& q = s.silence;
    q.level = in.level(keys::SilenceLevel, q.level);
    q.clearLevel = in.level(keys::SilenceClearLevel, q.clearLevel);
    q.seconds =
        readSeconds(store, keys::LimitsSection, keys::SilenceSeconds, 0, q.seconds, s.problems);
    q.clearSeconds = readSeconds(store, keys::LimitsSection, keys::SilenceClearSeconds, 0,
                                 q.clearSeconds, s.problems);
    // A clear level under the silence level would let a channel be silent and
    // carry programme at once.
    if (q.clearLevel < q.level) {
        s.problems << QStringLiteral("[%1] %2 = %3 is below %4 = %5; using %5 for both")
                          .arg(keys::LimitsSection, keys::SilenceClearLevel)
                          .arg(q.clearLevel)
                          .arg(keys::SilenceLevel)
                          .arg(q.level);
        q.clearLevel = q.level;
    }
    return s;
}

LimitSettings defaultLimitSettings(const AlarmSettings& alarms)
{
    class Empty final : public SettingsStore {
    public:
        QString read(const QString&, const QString&, const QString& fallback) const override
        {
            return fallback;
        }
        void write(const QString&, const QString&, const QString&) override {}
        QString problem() const override { return QString(); }
    };
    return readLimitSettings(Empty(), alarms);
}

std::optional<double> savedForwardTarget(const SettingsStore& store)
{
    const QString text = store.read(keys::Section, keys::SETPOWERT, QString()).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const double v = parseLeadingNumber(text);
    return std::isfinite(v) && v > 0 ? std::optional<double>(v) : std::nullopt;
}

} // namespace zel
