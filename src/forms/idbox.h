#pragma once

#include "repaintpacer.h"

#include <QString>

namespace zel {

// The ID box's text: the record's device ID, centred in the box's font. It is
// drawn here rather than by a label, which asks its parents to lay out again
// at every new text: an ID that changed with every frame repainted the whole
// window. A new ID repaints this box alone, on the pacer's turns.
class IdBox final : public PacedWidget {
    Q_OBJECT
public:
    explicit IdBox(const QString& text, QWidget* parent = nullptr);

    // The newest text, on screen or waiting for its turn.
    QString text() const { return m_text; }
    void setText(const QString& text);
    void showText() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QString m_shown;
};

} // namespace zel
