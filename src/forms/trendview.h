#pragma once

#include "history/historytrend.h"
#include "trendpainter.h"

#include <QWidget>

namespace zel {

// The traces of the history window drawn with QPainter, sharing one time
// axis. The operator zooms with the wheel or by dragging a span, pans with
// Shift+drag, the middle button or the arrow keys; the view only asks for a
// new range (rangeRequested) and shows what it is given.
class TrendView : public QWidget {
    Q_OBJECT
public:
    explicit TrendView(QWidget* parent = nullptr);

    void setRange(qint64 fromS, qint64 toS);
    void setData(const TrendData& data);
    // Shown instead of the traces while not empty.
    void setMessage(const QString& text);

    qint64 fromS() const { return m_fromS; }
    qint64 toS() const { return m_toS; }
    const TrendData& data() const { return m_data; }
    const QString& message() const { return m_message; }
    TrendGeometry geometryNow() const;

    QSize sizeHint() const override { return {960, 640}; }

Q_SIGNALS:
    void rangeRequested(qint64 fromS, qint64 toS);
    void latestRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    enum class Drag { None, Select, Pan };
    void zoomAround(qint64 t, double factor);
    void pan(double fraction);

    qint64 m_fromS = 0;
    qint64 m_toS = 3600;
    TrendData m_data;
    QString m_message;
    TrendCursor m_cursor;
    Drag m_drag = Drag::None;
    int m_dragX = 0;
    int m_dragNowX = 0;
    qint64 m_panFromS = 0;
    qint64 m_panToS = 0;
};

} // namespace zel
