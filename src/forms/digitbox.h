#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QWidget>

#include "repaintpacer.h"

namespace zel {

// A seven-segment display box. It shows digits, full stops (as the decimal
// point of the cell before), dashes, spaces, the bar character "|" and a
// colon, in at least a fixed number of cells, in two colour schemes:
// 1 normal, 2 alarm.
class DigitBox : public PacedWidget {
    Q_OBJECT
public:
    // Numbers sit to the right; level bars fill from the left, and their
    // empty cells show as dark bars.
    enum class Kind { Number, LevelBar };

    explicit DigitBox(int placeholders, Kind kind = Kind::Number, QWidget* parent = nullptr);

    QString digitdisplay() const { return m_text; }
    void setDigitdisplay(const QString& text);
    int digitcolor() const { return m_color; }
    void setDigitcolor(int scheme);
    // Brings the cells up to the text and repaints those that changed.
    void showText() override;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Cell {
        QChar ch;
        bool point = false;
        bool operator==(const Cell&) const = default;
    };
    // The cells as shown: the text's, padded to the placeholders.
    static QList<Cell> cellsOf(const QString& text, int placeholders, Kind kind);
    QRectF cellRect(int index, int count) const;
    // Pixels a cell can touch, antialiasing included.
    QRect cellPixels(int index, int count) const;
    // One cell drawn on transparent pixels, kept: the same few shapes come
    // back frame after frame, and filling their polygons is the cost.
    const QImage& cellImage(int index, int count, Cell cell);

    QString m_text;
    QList<Cell> m_cells;
    int m_color = 1;
    int m_placeholders;
    Kind m_kind;
    QHash<quint64, QImage> m_images;
};

} // namespace zel
