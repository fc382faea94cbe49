#include "digitbox.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace zel {
namespace {

// Segments a..g of each character, as bits 0..6.
int segmentsOf(QChar c)
{
    static const std::array<int, 10> digits = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                               0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    if (c >= u'0' && c <= u'9')
        return digits[std::size_t(c.unicode() - u'0')];
    if (c == u'-')
        return 0x40;
    return 0;
}

QColor litColour(int scheme)
{
    return scheme == 2 ? QColor(255, 48, 32) : QColor(64, 255, 96);
}

QColor unlitColour(int scheme)
{
    return scheme == 2 ? QColor(60, 14, 10) : QColor(14, 46, 20);
}

// One segment as a hexagon between two points, thickness t.
QPolygonF segment(QPointF a, QPointF b, double t)
{
    const bool horizontal = qFuzzyCompare(a.y(), b.y());
    const double h = t / 2;
    if (horizontal)
        return QPolygonF({a + QPointF(h, 0), a + QPointF(t, -h), b + QPointF(-t, -h),
                          b + QPointF(-h, 0), b + QPointF(-t, h), a + QPointF(t, h)});
    return QPolygonF({a + QPointF(0, h), a + QPointF(h, t), b + QPointF(h, -t), b + QPointF(0, -h),
                      b + QPointF(-h, -t), a + QPointF(-h, t)});
}

void drawSevenSegment(QPainter& p, const QRectF& r, int segs, bool point, int scheme)
{
    const double t = std::max(1.5, r.width() * 0.17);
    const double left = r.left() + t, right = r.right() - t * 1.6;
    const double top = r.top() + t / 2, bottom = r.bottom() - t / 2, mid = r.center().y();
    const std::array<QPolygonF, 7> shapes = {
        segment({left, top}, {right, top}, t),     segment({right, top}, {right, mid}, t),
        segment({right, mid}, {right, bottom}, t), segment({left, bottom}, {right, bottom}, t),
        segment({left, mid}, {left, bottom}, t),   segment({left, top}, {left, mid}, t),
        segment({left, mid}, {right, mid}, t)};
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        p.setBrush(segs & (1 << i) ? litColour(scheme) : unlitColour(scheme));
        p.drawPolygon(shapes[i]);
    }
    p.setBrush(point ? litColour(scheme) : unlitColour(scheme));
    p.drawEllipse(QPointF(r.right() - t * 0.6, bottom - t * 0.1), t * 0.55, t * 0.55);
}

} // namespace

DigitBox::DigitBox(int placeholders, Kind kind, QWidget* parent)
    : QWidget(parent), m_placeholders(placeholders), m_kind(kind)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DigitBox::setDigitdisplay(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void DigitBox::setDigitcolor(int scheme)
{
    if (scheme == m_color)
        return;
    m_color = scheme;
    update();
}

QSize DigitBox::sizeHint() const
{
    return {m_placeholders * 18 + 8, 34};
}

QList<DigitBox::Cell> DigitBox::cells() const
{
    QList<Cell> out;
    for (QChar c : m_text) {
        // A full stop lights the point of the cell before it.
        if (c == u'.' && !out.isEmpty() && !out.last().point && out.last().ch != u':' &&
            out.last().ch != u'|') {
            out.last().point = true;
            continue;
        }
        out.append({c == u'.' ? QChar(u' ') : c, c == u'.'});
    }
    return out;
}

void DigitBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::black);
    p.setPen(Qt::NoPen);

    QList<Cell> shown = cells();
    const int count = std::max<int>(m_placeholders, int(shown.size()));
    while (shown.size() < count) {
        if (m_kind == Kind::Number)
            shown.prepend({u' ', false});
        else
            shown.append({u' ', false});
    }

    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    const double cellWidth = std::min(area.width() / count, area.height() * 0.62);
    const double used = cellWidth * count;
    double x = m_kind == Kind::Number ? area.right() - used : area.left();
    for (const Cell& cell : shown) {
        const QRectF r(x, area.top(), cellWidth, area.height());
        const bool barCell = cell.ch == u'|' || (m_kind == Kind::LevelBar && cell.ch == u' ');
        if (barCell) {
            p.setBrush(cell.ch == u'|' ? litColour(m_color) : unlitColour(m_color));
            p.drawRect(r.adjusted(cellWidth * 0.12, 0, -cellWidth * 0.12, 0));
        } else if (cell.ch == u':') {
            p.setBrush(litColour(m_color));
            const double d = cellWidth * 0.14;
            p.drawEllipse(QPointF(r.center().x(), r.top() + r.height() * 0.3), d, d);
            p.drawEllipse(QPointF(r.center().x(), r.top() + r.height() * 0.7), d, d);
        } else {
            drawSevenSegment(p, r.adjusted(cellWidth * 0.08, 0, 0, 0), segmentsOf(cell.ch),
                             cell.point, m_color);
        }
        x += cellWidth;
    }
}

} // namespace zel
