#pragma once

#include "panel/panelupdate.h"
#include "repaintpacer.h"

#include <QGroupBox>

#include <array>

namespace zel {

class DigitBox;
class IdBox;
class LedIndicator;

// The left part of the main window (Frame2): the boxes, lamps and label that
// show the status record. Raising the window is the window's business, so the
// panel only asks for it.
class StatusPanel : public QGroupBox, public PanelView {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    void setDeviceId(const QString& text) override;
    void setDigitText(int box, const QString& text) override;
    void setDigitColor(int box, int color) override;
    void setLed(int led, bool on) override;
    void raiseOnAlarm() override { Q_EMIT alarmRaised(); }

    DigitBox* digitBox(int box) const { return m_boxes.at(std::size_t(box - 1)); }
    LedIndicator* led(int number) const { return m_leds.at(std::size_t(number - 1)); }
    QString deviceIdText() const;

Q_SIGNALS:
    void alarmRaised();

private:
    QGroupBox* frame(QWidget* parent, const QString& caption, QRect place);
    DigitBox* box(QWidget* parent, int number, int placeholders, QRect place);

    std::array<DigitBox*, 10> m_boxes{};
    std::array<LedIndicator*, 3> m_leds{};
    IdBox* m_id = nullptr;
    RepaintPacer m_pacer;
};

} // namespace zel
