#pragma once

#include <QWidget>

namespace zel {

// A round indicator lamp: lit or dark.
class LedIndicator : public QWidget {
    Q_OBJECT
public:
    explicit LedIndicator(QWidget* parent = nullptr);

    bool isOn() const { return m_on; }
    void setOn(bool on);

    QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_on = false;
};

} // namespace zel
