#include "statuspanel.h"

#include "digitbox.h"
#include "idbox.h"
#include "ledindicator.h"
#include "twips.h"

#include <QLabel>

namespace zel {
namespace {

QFont captionFont()
{
    QFont f(QStringLiteral("Lucida Sans Unicode"));
    f.setPointSize(8);
    return f;
}

LedIndicator* ledIn(QWidget* parent, int number, QRect place)
{
    auto* led = new LedIndicator(parent);
    led->setObjectName(QStringLiteral("LED%1").arg(number));
    led->setGeometry(place);
    return led;
}

} // namespace

StatusPanel::StatusPanel(QWidget* parent) : QGroupBox(parent)
{
    setObjectName(QStringLiteral("Frame2"));

    auto* power = frame(this, QStringLiteral("POWER"), twipsRect(120, 240, 855, 855));
    m_leds[0] = ledIn(power, 1, twipsRect(180, 240, 495, 495));

    auto* id = frame(this, QStringLiteral("ID"), twipsRect(1080, 240, 2895, 855));
    m_id = new IdBox(QStringLiteral("-----"), id);
    m_id->setObjectName(QStringLiteral("OsenXPLabel1"));
    m_id->setGeometry(twipsRect(120, 240, 2655, 495));
    m_id->setRepaintPacer(&m_pacer);
    QFont idFont(QStringLiteral("Arial"));
    idFont.setBold(true);
    idFont.setPointSize(16);
    m_id->setFont(idFont);

    auto* freq = frame(this, QStringLiteral("FREQUENCY (MHz)"), twipsRect(120, 1200, 3855, 975));
    box(freq, 1, 5, twipsRect(120, 240, 2055, 615));
    auto* lock = frame(freq, QStringLiteral("Freq. Lock"), twipsRect(2280, 120, 1095, 735));
    m_leds[2] = ledIn(lock, 3, twipsRect(330, 240, 435, 435));

    auto* audio = frame(this, QStringLiteral("AUDIO"), twipsRect(120, 2280, 3855, 1815));
    const std::array<const char*, 3> names = {"MOD", "LEFT", "RIGHT"};
    const std::array<int, 3> tops = {300, 800, 1280};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(names[std::size_t(i)]), audio);
        label->setGeometry(twipsRect(120, tops[std::size_t(i)], 705, 345));
        label->setFont(captionFont());
        box(audio, 8 + i, 13, twipsRect(840, tops[std::size_t(i)], 2445, 345));
    }

    auto* rf = frame(this, QStringLiteral("RF POWER"), twipsRect(120, 4200, 3855, 3255));
    box(frame(rf, QStringLiteral("Temperature (C)"), twipsRect(240, 240, 1935, 855)), 2, 4,
        twipsRect(120, 240, 1695, 495));
    m_leds[1] = ledIn(frame(rf, QStringLiteral("ON-AIR"), twipsRect(2280, 240, 1335, 855)), 2,
                      twipsRect(420, 240, 495, 495));
    box(frame(rf, QStringLiteral("FORWARD (W)"), twipsRect(240, 1200, 1935, 855)), 4, 5,
        twipsRect(120, 240, 1695, 495));
    box(frame(rf, QStringLiteral("V-PA (Volt)"), twipsRect(2280, 1200, 1335, 855)), 6, 4,
        twipsRect(120, 240, 1095, 495));
    box(frame(rf, QStringLiteral("REFLECT (W)"), twipsRect(240, 2160, 1935, 855)), 5, 5,
        twipsRect(120, 240, 1695, 495));
    box(frame(rf, QStringLiteral("I-PA (Amp)"), twipsRect(2280, 2160, 1335, 855)), 7, 4,
        twipsRect(120, 240, 1095, 495));

    // Part of the panel and written on every update, but not in view.
    auto* mod = frame(this, QStringLiteral("MOD (%)"), twipsRect(120, 7500, 1935, 855));
    box(mod, 3, 3, twipsRect(120, 240, 1695, 495));
    mod->hide();
}

QGroupBox* StatusPanel::frame(QWidget* parent, const QString& caption, QRect place)
{
    auto* f = new QGroupBox(caption, parent);
    f->setFont(captionFont());
    f->setGeometry(place);
    return f;
}

DigitBox* StatusPanel::box(QWidget* parent, int number, int placeholders, QRect place)
{
    const auto kind = number >= 8 ? DigitBox::Kind::LevelBar : DigitBox::Kind::Number;
    auto* b = new DigitBox(placeholders, kind, parent);
    b->setObjectName(QStringLiteral("DigitBox%1").arg(number));
    b->setRepaintPacer(&m_pacer);
    b->setGeometry(place);
    b->setDigitdisplay(number >= 8 ? QStringLiteral("          :  ") : QStringLiteral("-.-"));
    m_boxes[std::size_t(number - 1)] = b;
    return b;
}

void StatusPanel::setDeviceId(const QString& text)
{
    m_id->setText(text);
}

QString StatusPanel::deviceIdText() const
{
    return m_id->text();
}

void StatusPanel::setDigitText(int box, const QString& text)
{
    digitBox(box)->setDigitdisplay(text);
}

void StatusPanel::setDigitColor(int box, int color)
{
    digitBox(box)->setDigitcolor(color);
}

void StatusPanel::setLed(int number, bool on)
{
    led(number)->setOn(on);
}

} // namespace zel
