#include "digitbox.h"

#include "repaintpacer.h"

#include <QPaintEvent>
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

void drawCell(QPainter& p, const QRectF& r, QChar ch, bool point, bool levelBar, int scheme)
{
    const double cellWidth = r.width();
    if (ch == u'|' || (levelBar && ch == u' ')) {
        p.setBrush(ch == u'|' ? litColour(scheme) : unlitColour(scheme));
        p.drawRect(r.adjusted(cellWidth * 0.12, 0, -cellWidth * 0.12, 0));
    } else if (ch == u':') {
        p.setBrush(litColour(scheme));
        const double d = cellWidth * 0.14;
        p.drawEllipse(QPointF(r.center().x(), r.top() + r.height() * 0.3), d, d);
        p.drawEllipse(QPointF(r.center().x(), r.top() + r.height() * 0.7), d, d);
    } else {
        drawSevenSegment(p, r.adjusted(cellWidth * 0.08, 0, 0, 0), segmentsOf(ch), point, scheme);
    }
}

} // namespace

DigitBox::DigitBox(int placeholders, Kind kind, QWidget* parent)
    : PacedWidget(parent), m_cells(cellsOf(QString(), placeholders, kind)),
      m_placeholders(placeholders), m_kind(kind)
{
    // Black edge to edge: the frame behind is never drawn for a change here.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DigitBox::setDigitdisplay(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    // The cells are worked out when it is shown.
    textChanged();
}

void DigitBox::showText()
{
    if (!takeTextChange())
        return;
    QList<Cell> next = cellsOf(m_text, m_placeholders, m_kind);
    if (next.size() != m_cells.size()) {
        update();
    } else {
        // Only the cells that change are drawn again.
        QRect changed;
        for (int i = 0; i < int(next.size()); ++i) {
            if (next.at(i) != m_cells.at(i))
                changed |= cellPixels(i, int(next.size()));
        }
        if (!changed.isEmpty())
            update(changed);
    }
    m_cells = std::move(next);
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

QList<DigitBox::Cell> DigitBox::cellsOf(const QString& text, int placeholders, Kind kind)
{
    QList<Cell> out;
    for (QChar c : text) {
        // A full stop lights the point of the cell before it.
        if (c == u'.' && !out.isEmpty() && !out.last().point && out.last().ch != u':' &&
            out.last().ch != u'|') {
            out.last().point = true;
            continue;
        }
        out.append({c == u'.' ? QChar(u' ') : c, c == u'.'});
    }
    // Numbers sit to the right, bars fill from the left.
    while (out.size() < placeholders) {
        if (kind == Kind::Number)
            out.prepend({u' ', false});
        else
            out.append({u' ', false});
    }
    return out;
}

QRectF DigitBox::cellRect(int index, int count) const
{
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    const double cellWidth = std::min(area.width() / count, area.height() * 0.62);
    const double left = m_kind == Kind::Number ? area.right() - cellWidth * count : area.left();
    return {left + cellWidth * index, area.top(), cellWidth, area.height()};
}

QRect DigitBox::cellPixels(int index, int count) const
{
    return cellRect(index, count).toAlignedRect().adjusted(-1, -1, 1, 1);
}

const QImage& DigitBox::cellImage(int index, int count, Cell cell)
{
    const quint64 key = quint64(index) << 40 | quint64(count) << 32 |
                        quint64(cell.ch.unicode()) << 2 | quint64(cell.point) << 1 |
                        quint64(m_color == 2);
    if (auto found = m_images.constFind(key); found != m_images.cend())
        return *found;
    // Texts are short; a stream of odd ones must not grow this for ever.
    if (m_images.size() > 512)
        m_images.clear();
    const QRect pixels = cellPixels(index, count);
    QImage image(pixels.size() * devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio());
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.translate(-pixels.topLeft());
    drawCell(p, cellRect(index, count), cell.ch, cell.point, m_kind == Kind::LevelBar, m_color);
    p.end();
    return *m_images.insert(key, image);
}

void DigitBox::paintEvent(QPaintEvent* event)
{
    if (takeTextChange()) {
        m_cells = cellsOf(m_text, m_placeholders, m_kind);
        // Cells outside this paint may have changed too.
        if (!event->region().contains(rect()))
            update();
    }
    QPainter p(this);
    p.fillRect(event->rect(), Qt::black);
    const int count = int(m_cells.size());
    for (int i = 0; i < count; ++i) {
        const QRect pixels = cellPixels(i, count);
        if (event->region().intersects(pixels))
            p.drawImage(pixels.topLeft(), cellImage(i, count, m_cells.at(i)));
    }
}

void DigitBox::resizeEvent(QResizeEvent* event)
{
    m_images.clear();
    QWidget::resizeEvent(event);
}

} // namespace zel
