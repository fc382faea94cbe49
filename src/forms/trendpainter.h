#pragma once

#include "history/historytrend.h"

#include <QFontMetrics>
#include <QRect>

class QPainter;

namespace zel {

// Where the parts of the trend drawing go for a size and a font: a band on
// top (time under the cursor, legend of alarms), one strip per trace (a
// header line over a plot) sharing the time axis at the bottom. Maps times
// to x and back over the shown range.
class TrendGeometry {
public:
    TrendGeometry(QSize size, const QFontMetrics& metrics, qint64 fromS, qint64 toS,
                  int traceCount);

    QRect band() const { return m_band; }
    QRect header(int trace) const { return m_headers.value(trace); }
    QRect plot(int trace) const { return m_plots.value(trace); }
    QRect axis() const { return m_axis; }
    // The trace whose strip holds point, or -1.
    int traceAt(QPoint point) const;
    // Pixel columns of a plot: one bucket each.
    int columns() const { return m_axis.width(); }

    qint64 fromS() const { return m_fromS; }
    qint64 toS() const { return m_toS; }
    double xOf(qint64 t) const;
    qint64 timeAt(double x) const;
    double secondsPerPixel() const;

private:
    qint64 m_fromS;
    qint64 m_toS;
    QRect m_band;
    QRect m_axis;
    QList<QRect> m_headers;
    QList<QRect> m_plots;
};

// The cursor of the operator's mouse: x in the view, or none.
struct TrendCursor {
    bool active = false;
    int x = 0;
};

// Draws data into g's areas: envelopes (min to max per bucket), the last
// values as a line broken where no data is, alarms shaded, scales, header
// readouts (at the cursor, else the latest) and the time axis.
void paintTrend(QPainter& painter, const TrendGeometry& g, const TrendData& data,
                const TrendCursor& cursor);

// The alarms whose span covers time t, for the tooltip.
QList<history::AlarmSpan> alarmsAt(const TrendData& data, qint64 t);

QColor traceColor(int trace);
QColor alarmColor(const QString& kind);

} // namespace zel
