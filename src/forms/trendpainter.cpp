#include "trendpainter.h"

#include "trendaxis.h"

#include <QDateTime>
#include <QLocale>
#include <QMap>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>

namespace zel {

using history::TrendBucket;

TrendGeometry::TrendGeometry(QSize size, const QFontMetrics& metrics, qint64 fromS, qint64 toS,
                             int traceCount)
    : m_fromS(fromS), m_toS(std::max(toS, fromS + 1))
{
    const int lineHeight = metrics.height();
    const int left = metrics.horizontalAdvance(QStringLiteral("-0000.00")) + 12;
    const int width = std::max(1, size.width() - left - 14);
    m_band = QRect(0, 0, size.width(), lineHeight + 8);
    const int top = m_band.bottom() + 1;
    const int axisHeight = lineHeight + 8;
    const int strip = traceCount > 0 ? (size.height() - top - axisHeight) / traceCount : 0;
    const int headerHeight = lineHeight + 2;
    for (int i = 0; i < traceCount; ++i) {
        const int y = top + i * strip;
        m_headers << QRect(left, y, width, headerHeight);
        m_plots << QRect(left, y + headerHeight, width, std::max(1, strip - headerHeight - 4));
    }
    m_axis = QRect(left, top + traceCount * strip, width, axisHeight);
}

int TrendGeometry::traceAt(QPoint point) const
{
    for (int i = 0; i < m_plots.size(); ++i) {
        if (m_plots[i].united(m_headers[i]).contains(point))
            return i;
    }
    return -1;
}

double TrendGeometry::secondsPerPixel() const
{
    return double(m_toS - m_fromS) / m_axis.width();
}

double TrendGeometry::xOf(qint64 t) const
{
    return m_axis.left() + double(t - m_fromS) / secondsPerPixel();
}

qint64 TrendGeometry::timeAt(double x) const
{
    return m_fromS + qint64(std::floor((x - m_axis.left()) * secondsPerPixel()));
}

QColor traceColor(int trace)
{
    static const QColor colors[] = {QColor(0x1f, 0x5f, 0xbf), QColor(0xc0, 0x39, 0x2b),
                                    QColor(0xc8, 0x5a, 0x00), QColor(0x16, 0x80, 0x3c),
                                    QColor(0x7d, 0x3c, 0x98), QColor(0x80, 0x62, 0x10),
                                    QColor(0x2c, 0x78, 0x73)};
    return colors[std::size_t(trace) % std::size(colors)];
}

QColor alarmColor(const QString& kind)
{
    if (kind == alarm::OffAir)
        return QColor(0xe7, 0x4c, 0x3c);
    if (kind == alarm::Unlocked)
        return QColor(0x9b, 0x59, 0xb6);
    if (kind == alarm::OverTemperature)
        return QColor(0xf3, 0x9c, 0x12);
    if (kind == alarm::HighReflect)
        return QColor(0xe9, 0x1e, 0x63);
    if (kind == alarm::PortFailed)
        return QColor(0x79, 0x55, 0x48);
    return QColor(0x7f, 0x8c, 0x8d);
}

QList<history::AlarmSpan> alarmsAt(const TrendData& data, qint64 t)
{
    QList<history::AlarmSpan> out;
    for (const history::AlarmSpan& span : data.alarms) {
        if (span.start.toSecsSinceEpoch() <= t && (!span.end || t < span.end->toSecsSinceEpoch()))
            out << span;
    }
    return out;
}

namespace {

QString spanText(qint64 s)
{
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return s % 60 ? QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60)
                      : QStringLiteral("%1 min").arg(s / 60);
    if (s < 86400)
        return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s % 3600 / 60);
    return QStringLiteral("%1 d %2 h").arg(s / 86400).arg(s % 86400 / 3600);
}

int decimalsFor(double step)
{
    for (int d = 0; d < 3; ++d) {
        const double scaled = step * std::pow(10.0, d);
        if (std::abs(scaled - std::round(scaled)) < 1e-6)
            return d;
    }
    return 3;
}

QString localText(qint64 s, const QString& format)
{
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(s), format);
}

QString readout(const TrendBucket& b, const TraceInfo& trace)
{
    const int decimals = history::fieldInfo(trace.field).decimals;
    QString text = history::formatScaled(b.last, decimals) + u' ' + trace.unit;
    if (b.min != b.max)
        text += QStringLiteral("    min %1  max %2")
                    .arg(history::formatScaled(b.min, decimals),
                         history::formatScaled(b.max, decimals));
    return text;
}

const QColor kGrid(0xe4, 0xe4, 0xe4);
const QColor kText(0x30, 0x30, 0x30);

// Alarms as one vertical line per pixel column, one call per kind: a column
// is shaded once however many spans of a kind cover it, and thin lines keep
// clear of the raster engine's costly path for many tall rectangles.
void shadeAlarms(QPainter& p, const TrendGeometry& g, const TrendData& data, const QRect& plot)
{
    QMap<QString, std::vector<bool>> covered;
    const int columns = plot.width();
    for (const history::AlarmSpan& span : data.alarms) {
        const double start = g.xOf(span.start.toSecsSinceEpoch());
        const double end = span.end ? g.xOf(span.end->toSecsSinceEpoch()) : plot.right() + 1;
        if (end < plot.left() || start > plot.right())
            continue;
        // Three columns at least, so that a short alarm on a long range shows.
        const double middle = (start + end) / 2;
        const int c0 = std::clamp(int(std::floor(std::min(start, middle - 1.5))) - plot.left(), 0,
                                  columns - 1);
        const int c1 =
            std::clamp(int(std::ceil(std::max(end, middle + 1.5))) - plot.left(), c0 + 1, columns);
        // A warning is shaded fainter than a critical alarm of its kind.
        std::vector<bool>& marks =
            covered[span.event +
                    (span.severity == severity::Warning ? QStringLiteral("/w") : QString())];
        marks.resize(std::size_t(columns));
        std::fill(marks.begin() + c0, marks.begin() + c1, true);
    }
    for (auto it = covered.cbegin(); it != covered.cend(); ++it) {
        QList<QLine> lines;
        for (int c = 0; c < columns; ++c) {
            if (it.value()[std::size_t(c)])
                lines << QLine(plot.left() + c, plot.top(), plot.left() + c, plot.bottom());
        }
        const bool warning = it.key().endsWith(QStringLiteral("/w"));
        QColor shade = alarmColor(warning ? it.key().chopped(2) : it.key());
        shade.setAlpha(warning ? 22 : 55);
        p.setPen(QPen(shade, 0));
        p.drawLines(lines.constData(), int(lines.size()));
    }
}

// The envelope from min to max per bucket, and the line of last values
// broken where a bucket is missing. Whole pixels and no antialiasing: with a
// bucket per column there is nothing to smooth. A column's envelope is a
// line, all in one call, which the raster engine fills far faster than as
// many thin rectangles.
void drawBuckets(QPainter& p, const TrendGeometry& g, const QList<TrendBucket>& buckets,
                 qint64 width, const QColor& color, const std::function<double(double)>& yOf)
{
    QList<QLine> columns;
    QList<QRect> wide;
    QList<QList<QPoint>> runs(1);
    columns.reserve(buckets.size());
    for (qsizetype i = 0; i < buckets.size(); ++i) {
        const TrendBucket& b = buckets[i];
        const int x0 = int(std::floor(g.xOf(b.start)));
        const int x1 = std::max(x0 + 1, int(std::floor(g.xOf(b.start + width))));
        const int top = int(std::lround(yOf(double(b.max))));
        const int bottom = std::max(top + 1, int(std::lround(yOf(double(b.min)))));
        if (x1 - x0 == 1)
            columns << QLine(x0, top, x0, bottom - 1);
        else
            wide << QRect(x0, top, x1 - x0, bottom - top);
        if (i > 0 && buckets[i - 1].start + width != b.start)
            runs.append(QList<QPoint>());
        runs.last() << QPoint((x0 + x1 - 1) / 2, int(std::lround(yOf(double(b.last)))));
    }
    QColor band = color;
    band.setAlpha(90);
    p.setPen(QPen(band, 0));
    p.drawLines(columns.constData(), int(columns.size()));
    for (const QRect& r : wide)
        p.fillRect(r, band);
    for (const QList<QPoint>& run : runs) {
        if (run.size() == 1) {
            p.setPen(QPen(color, 3));
            p.drawPoint(run.first());
        } else if (run.size() > 1) {
            p.setPen(QPen(color, 0));
            p.drawPolyline(run.constData(), int(run.size()));
        }
    }
}

// One trace: grid, alarms, envelope, line, scale and header.
void paintTrace(QPainter& p, const TrendGeometry& g, const TrendData& data, int index,
                const QList<TimeTick>& ticks, const TrendCursor& cursor)
{
    const TraceInfo& trace = historyTraces()[index];
    const QRect plot = g.plot(index);
    const QRect header = g.header(index);
    const QList<TrendBucket> buckets = data.traces.value(index);
    const qint64 width = bucketSeconds(data.request.fromS, data.request.toS, data.request.columns);
    const double scale = std::pow(10.0, history::fieldInfo(trace.field).decimals);
    const QColor color = traceColor(index);
    const int lineHeight = p.fontMetrics().height();

    p.fillRect(plot, Qt::white);
    p.setPen(kGrid);
    for (const TimeTick& tick : ticks)
        p.drawLine(QPointF(g.xOf(tick.t), plot.top()), QPointF(g.xOf(tick.t), plot.bottom()));
    p.save();
    p.setClipRect(plot);
    shadeAlarms(p, g, data, plot);

    const TrendBucket* latest = nullptr;
    qint64 lo = 0;
    qint64 hi = 0;
    for (const TrendBucket& b : buckets) {
        if (b.start + width <= g.fromS() || b.start >= g.toS())
            continue;
        lo = latest ? std::min(lo, b.min) : b.min;
        hi = latest ? std::max(hi, b.max) : b.max;
        latest = &b;
    }
    ValueScale s;
    if (latest) {
        s = niceScale(lo / scale, hi / scale, std::max(1, plot.height() / (lineHeight + 6)),
                      10 / scale);
        const auto yOf = [&](double v) {
            return plot.bottom() + 1 - (v / scale - s.lo) / (s.hi - s.lo) * plot.height();
        };
        p.setPen(kGrid);
        for (double v = s.lo; v <= s.hi + s.step / 2; v += s.step)
            p.drawLine(QPointF(plot.left(), yOf(v * scale)), QPointF(plot.right(), yOf(v * scale)));
        drawBuckets(p, g, buckets, width, color, yOf);
        p.restore();
        p.setPen(kText);
        const int decimals = decimalsFor(s.step);
        for (double v = s.lo; v <= s.hi + s.step / 2; v += s.step) {
            const double y = yOf(v * scale);
            p.drawText(QRectF(0, y - lineHeight / 2.0, plot.left() - 6, lineHeight),
                       Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', decimals));
        }
    } else {
        p.restore();
        p.setPen(Qt::gray);
        p.drawText(plot, Qt::AlignCenter, QStringLiteral("no data"));
    }
    p.setPen(QColor(0xb0, 0xb0, 0xb0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot.adjusted(0, 0, -1, -1));

    QString value;
    if (cursor.active) {
        const qsizetype at = bucketAt(buckets, g.timeAt(cursor.x), width);
        value = at >= 0 ? readout(buckets[at], trace) : QStringLiteral("no data");
    } else if (latest) {
        value = QStringLiteral("latest ") + readout(*latest, trace);
    }
    p.setPen(kText);
    const int valueWidth = p.fontMetrics().horizontalAdvance(value) + 8;
    p.drawText(header.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter, value);
    QFont bold = p.font();
    bold.setBold(true);
    p.save();
    p.setFont(bold);
    p.setPen(color);
    const QString title = QStringLiteral("%1 (%2)").arg(trace.title, trace.unit);
    p.drawText(header.adjusted(2, 0, -valueWidth, 0), Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(title, Qt::ElideRight, header.width() - valueWidth));
    p.restore();
}

void paintTimeAxis(QPainter& p, const TrendGeometry& g, const QList<TimeTick>& ticks)
{
    const QRect axis = g.axis();
    p.setPen(kText);
    const QFontMetrics fm = p.fontMetrics();
    for (const TimeTick& tick : ticks) {
        const double x = g.xOf(tick.t);
        p.drawLine(QPointF(x, axis.top()), QPointF(x, axis.top() + 3));
        const int w = fm.horizontalAdvance(tick.label);
        const double left = std::clamp(x - w / 2.0, 0.0, double(g.band().width() - w));
        p.drawText(QPointF(left, axis.top() + 4 + fm.ascent()), tick.label);
    }
}

void paintBand(QPainter& p, const TrendGeometry& g, const TrendData& data,
               const TrendCursor& cursor)
{
    const QRect band = g.band().adjusted(g.axis().left(), 0, -14, 0);
    const qint64 width = bucketSeconds(data.request.fromS, data.request.toS, data.request.columns);
    const QString format = QStringLiteral("ddd d MMM yyyy HH:mm:ss");
    QString text;
    if (cursor.active) {
        const qint64 t = g.timeAt(cursor.x);
        text = localText(t, format);
        for (const history::AlarmSpan& span : alarmsAt(data, t))
            text += QStringLiteral("   ·   ") + alarmTitle(span.event);
    } else {
        text = QStringLiteral("%1 – %2 (local time)   ·   each column %3")
                   .arg(localText(g.fromS(), QStringLiteral("d MMM yyyy HH:mm")),
                        localText(g.toS(), QStringLiteral("d MMM yyyy HH:mm")), spanText(width));
    }
    // Legend of the alarms shaded, from the right.
    QStringList kinds;
    for (const history::AlarmSpan& span : data.alarms) {
        if (!kinds.contains(span.event))
            kinds << span.event;
    }
    const QFontMetrics fm = p.fontMetrics();
    int right = band.right();
    const int box = fm.ascent() - 2;
    for (auto it = kinds.crbegin(); it != kinds.crend(); ++it) {
        const QString title = alarmTitle(*it);
        const int w = fm.horizontalAdvance(title);
        right -= w;
        p.setPen(kText);
        p.drawText(QRect(right, band.top(), w, band.height()), Qt::AlignVCenter, title);
        right -= box + 5;
        QColor shade = alarmColor(*it);
        shade.setAlpha(110);
        p.fillRect(QRect(right, band.center().y() - box / 2, box, box), shade);
        right -= 14;
    }
    p.setPen(kText);
    p.drawText(QRect(band.left(), band.top(), std::max(0, right - band.left()), band.height()),
               Qt::AlignLeft | Qt::AlignVCenter,
               fm.elidedText(text, Qt::ElideRight, std::max(0, right - band.left())));
}

} // namespace

void paintTrend(QPainter& p, const TrendGeometry& g, const TrendData& data,
                const TrendCursor& cursor)
{
    const QFontMetrics fm = p.fontMetrics();
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("Wed 30 Sep")) + 24;
    const QList<TimeTick> ticks =
        timeTicks(g.fromS(), g.toS(), std::max(1, g.axis().width() / labelWidth));
    for (int i = 0; i < historyTraces().size(); ++i)
        paintTrace(p, g, data, i, ticks, cursor);
    paintTimeAxis(p, g, ticks);
    paintBand(p, g, data, cursor);
    if (cursor.active) {
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1, Qt::DashLine));
        p.drawLine(QPointF(cursor.x + 0.5, g.plot(0).top()),
                   QPointF(cursor.x + 0.5, g.plot(int(historyTraces().size()) - 1).bottom()));
    }
}

} // namespace zel
