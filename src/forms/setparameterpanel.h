#pragma once

#include <QGroupBox>

class QLineEdit;
class QRadioButton;

namespace zel {

// The right part of the main window (Frame1): carrier on/off and the four
// working values the operator sends with SET.
class SetParameterPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit SetParameterPanel(QWidget* parent = nullptr);

    QRadioButton* optionOn() const { return m_on; }
    QRadioButton* optionOff() const { return m_off; }
    QLineEdit* frequency() const { return m_text2; }
    QLineEdit* forwardTarget() const { return m_text3; }
    QLineEdit* reflectTarget() const { return m_text5; }
    QLineEdit* tempProtection() const { return m_text6; }
    // Pause after each byte on the serial line, in ms; hidden.
    QLineEdit* bytePause() const { return m_text4; }

    // Selects "ON" or "OFF"; selecting one clears the other.
    void selectCarrier(bool on);

private:
    QLineEdit* field(const QString& name, const QString& caption, const QString& text, int top);

    QRadioButton* m_on = nullptr;
    QRadioButton* m_off = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QLineEdit* m_text5 = nullptr;
    QLineEdit* m_text6 = nullptr;
};

} // namespace zel
