#include "trendview.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

namespace zel {

TrendView::TrendView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(480, 420);
}

void TrendView::setRange(qint64 fromS, qint64 toS)
{
    m_fromS = fromS;
    m_toS = std::max(toS, fromS + 1);
    update();
}

void TrendView::setData(const TrendData& data)
{
    m_data = data;
    update();
}

void TrendView::setMessage(const QString& text)
{
    m_message = text;
    update();
}

TrendGeometry TrendView::geometryNow() const
{
    return TrendGeometry(size(), fontMetrics(), m_fromS, m_toS, int(historyTraces().size()));
}

void TrendView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0xf6, 0xf6, 0xf4));
    if (!m_message.isEmpty()) {
        p.setPen(QColor(0x30, 0x30, 0x30));
        p.drawText(rect().adjusted(40, 40, -40, -40), Qt::AlignCenter | Qt::TextWordWrap,
                   m_message);
        return;
    }
    const TrendGeometry g = geometryNow();
    paintTrend(p, g, m_data, m_cursor);
    if (m_drag == Drag::Select) {
        const int left = std::min(m_dragX, m_dragNowX);
        const QRect top = g.plot(0);
        const QRect bottom = g.plot(int(historyTraces().size()) - 1);
        p.fillRect(
            QRect(left, top.top(), std::abs(m_dragNowX - m_dragX), bottom.bottom() - top.top()),
            QColor(0x30, 0x60, 0xc0, 50));
    }
}

void TrendView::mousePressEvent(QMouseEvent* event)
{
    const bool panning = event->button() == Qt::MiddleButton ||
                         (event->button() == Qt::LeftButton &&
                          (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)));
    if (panning) {
        m_drag = Drag::Pan;
        m_panFromS = m_fromS;
        m_panToS = m_toS;
    } else if (event->button() == Qt::LeftButton) {
        m_drag = Drag::Select;
    } else {
        return;
    }
    m_dragX = m_dragNowX = event->position().toPoint().x();
}

void TrendView::mouseMoveEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x();
    const TrendGeometry g = geometryNow();
    m_cursor.active = m_message.isEmpty() && x >= g.axis().left() && x <= g.axis().right();
    m_cursor.x = x;
    m_dragNowX = std::clamp(x, g.axis().left(), g.axis().right() + 1);
    if (m_drag == Drag::Pan) {
        const qint64 shift = qint64(std::llround((m_dragX - x) * g.secondsPerPixel()));
        Q_EMIT rangeRequested(m_panFromS + shift, m_panToS + shift);
    }
    update();
}

void TrendView::mouseReleaseEvent(QMouseEvent* event)
{
    const Drag drag = std::exchange(m_drag, Drag::None);
    if (drag == Drag::Select && std::abs(m_dragNowX - m_dragX) >= 4) {
        const TrendGeometry g = geometryNow();
        Q_EMIT rangeRequested(g.timeAt(std::min(m_dragX, m_dragNowX)),
                              g.timeAt(std::max(m_dragX, m_dragNowX)));
    }
    update();
    QWidget::mouseReleaseEvent(event);
}

void TrendView::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    zoomAround(geometryNow().timeAt(event->position().x()), std::pow(0.8, notches));
}

void TrendView::keyPressEvent(QKeyEvent* event)
{
    const qint64 middle = (m_fromS + m_toS) / 2;
    switch (event->key()) {
    case Qt::Key_Left:
        pan(-0.25);
        break;
    case Qt::Key_Right:
        pan(0.25);
        break;
    case Qt::Key_Up:
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAround(middle, 0.5);
        break;
    case Qt::Key_Down:
    case Qt::Key_Minus:
        zoomAround(middle, 2);
        break;
    case Qt::Key_End:
        Q_EMIT latestRequested();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TrendView::leaveEvent(QEvent* event)
{
    m_cursor.active = false;
    update();
    QWidget::leaveEvent(event);
}

bool TrendView::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const TrendGeometry g = geometryNow();
    QStringList lines;
    if (g.traceAt(help->pos()) >= 0) {
        const QString format = QStringLiteral("d MMM HH:mm:ss");
        for (const history::AlarmSpan& span : alarmsAt(m_data, g.timeAt(help->pos().x()))) {
            lines << QStringLiteral("%1 %2(alarm %3): raised %4, %5")
                         .arg(alarmTitle(span.event),
                              span.severity.isEmpty() ? QString() : span.severity + u' ')
                         .arg(span.raisedId)
                         .arg(span.start.toLocalTime().toString(format),
                              span.end ? QStringLiteral("cleared ") +
                                             span.end->toLocalTime().toString(format)
                                       : QStringLiteral("still raised"));
        }
    }
    if (lines.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), lines.join(u'\n'), this);
    return true;
}

void TrendView::zoomAround(qint64 t, double factor)
{
    const double from = t - (t - m_fromS) * factor;
    const double to = t + (m_toS - t) * factor;
    Q_EMIT rangeRequested(qint64(std::llround(from)), qint64(std::llround(to)));
}

void TrendView::pan(double fraction)
{
    const qint64 shift = qint64(std::llround((m_toS - m_fromS) * fraction));
    Q_EMIT rangeRequested(m_fromS + shift, m_toS + shift);
}

} // namespace zel
