#include "idbox.h"

#include <QPaintEvent>
#include <QPainter>

namespace zel {

IdBox::IdBox(const QString& text, QWidget* parent)
    : PacedWidget(parent), m_text(text), m_shown(text)
{
    // Opaque: a new ID never has the frame behind it drawn again.
    setAutoFillBackground(true);
}

void IdBox::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    textChanged();
}

void IdBox::showText()
{
    if (takeTextChange() && m_text != m_shown) {
        m_shown = m_text;
        update();
    }
}

void IdBox::paintEvent(QPaintEvent* event)
{
    if (takeTextChange()) {
        m_shown = m_text;
        // The rest of the box shows the old text still.
        if (!event->region().contains(rect()))
            update();
    }
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(rect(), Qt::AlignCenter, m_shown);
}

} // namespace zel
