#pragma once

#include <QString>
#include <QWidget>

namespace zel {

// A seven-segment display box. It shows digits, full stops (as the decimal
// point of the cell before), dashes, spaces, the bar character "|" and a
// colon, in at least a fixed number of cells, in two colour schemes:
// 1 normal, 2 alarm.
class DigitBox : public QWidget {
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

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Cell {
        QChar ch;
        bool point = false;
    };
    QList<Cell> cells() const;

    QString m_text;
    int m_color = 1;
    int m_placeholders;
    Kind m_kind;
};

} // namespace zel
