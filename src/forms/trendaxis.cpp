#include "trendaxis.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace zel {

ValueScale niceScale(double lo, double hi, int maxTicks, double minSpan)
{
    maxTicks = std::max(1, maxTicks);
    if (hi - lo < minSpan) {
        const double mid = (lo + hi) / 2;
        lo = mid - minSpan / 2;
        hi = mid + minSpan / 2;
    }
    const double raw = (hi - lo) / maxTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0, 20.0}) {
        step = m * magnitude;
        if (std::ceil(hi / step) - std::floor(lo / step) <= maxTicks)
            break;
    }
    return {std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
}

namespace {

enum class Unit { Seconds, Days, Months };
struct TimeStep {
    Unit unit;
    qint64 size; // seconds, days or months
};

constexpr TimeStep kSteps[] = {
    {Unit::Seconds, 1},     {Unit::Seconds, 2},    {Unit::Seconds, 5},     {Unit::Seconds, 10},
    {Unit::Seconds, 15},    {Unit::Seconds, 30},   {Unit::Seconds, 60},    {Unit::Seconds, 120},
    {Unit::Seconds, 300},   {Unit::Seconds, 600},  {Unit::Seconds, 900},   {Unit::Seconds, 1800},
    {Unit::Seconds, 3600},  {Unit::Seconds, 7200}, {Unit::Seconds, 10800}, {Unit::Seconds, 21600},
    {Unit::Seconds, 43200}, {Unit::Days, 1},       {Unit::Days, 2},        {Unit::Days, 7},
    {Unit::Days, 14},       {Unit::Months, 1},     {Unit::Months, 2},      {Unit::Months, 3},
    {Unit::Months, 6},      {Unit::Months, 12},
};

qint64 approximateSeconds(const TimeStep& s)
{
    return s.unit == Unit::Seconds ? s.size
           : s.unit == Unit::Days  ? s.size * 86400
                                   : s.size * 30 * 86400;
}

QString label(const QDateTime& local, const TimeStep& step)
{
    const QLocale locale;
    if (step.unit == Unit::Months)
        return locale.toString(local, local.date().month() == 1 ? QStringLiteral("MMM yyyy")
                                                                : QStringLiteral("MMM"));
    if (step.unit == Unit::Days || local.time() == QTime(0, 0))
        return locale.toString(local, QStringLiteral("d MMM"));
    return locale.toString(local,
                           step.size < 60 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
}

} // namespace

QList<TimeTick> timeTicks(qint64 fromS, qint64 toS, int maxTicks)
{
    QList<TimeTick> ticks;
    if (toS <= fromS || maxTicks < 1)
        return ticks;
    const qint64 span = toS - fromS;
    const TimeStep* step = std::end(kSteps) - 1;
    for (const TimeStep& s : kSteps) {
        if (span / approximateSeconds(s) <= maxTicks) {
            step = &s;
            break;
        }
    }
    const QDateTime first = QDateTime::fromSecsSinceEpoch(fromS);
    if (step->unit == Unit::Seconds) {
        // Round in local time, so that hours fall on the hour where the zone
        // is half an hour off.
        const qint64 offset = first.offsetFromUtc();
        qint64 t = ((fromS + offset + step->size - 1) / step->size) * step->size - offset;
        for (; t < toS; t += step->size) {
            const QDateTime local = QDateTime::fromSecsSinceEpoch(t);
            ticks << TimeTick{t, label(local, *step)};
        }
        return ticks;
    }
    QDate date = first.date();
    if (step->unit == Unit::Months)
        date = QDate(date.year(), date.month(), 1);
    for (;; date = step->unit == Unit::Days ? date.addDays(step->size)
                                            : date.addMonths(int(step->size))) {
        const QDateTime local(date, QTime(0, 0));
        const qint64 t = local.toSecsSinceEpoch();
        if (t >= toS)
            break;
        if (t >= fromS)
            ticks << TimeTick{t, label(local, *step)};
    }
    return ticks;
}

} // namespace zel
