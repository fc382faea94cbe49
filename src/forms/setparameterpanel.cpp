#include "setparameterpanel.h"

#include "control/setparametersender.h"
#include "twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace zel {

SetParameterPanel::SetParameterPanel(QWidget* parent) : QGroupBox(parent)
{
    setObjectName(QStringLiteral("Frame1"));

    auto* power = new QGroupBox(QStringLiteral("POWER"), this);
    power->setObjectName(QStringLiteral("Frame3"));
    power->setGeometry(twipsRect(240, 240, 2295, 855));
    m_on = new QRadioButton(QStringLiteral("ON"), power);
    m_on->setObjectName(QStringLiteral("Option1_0"));
    m_on->setGeometry(twipsRect(240, 360, 855, 375));
    m_off = new QRadioButton(QStringLiteral("OFF"), power);
    m_off->setObjectName(QStringLiteral("Option1_1"));
    m_off->setGeometry(twipsRect(1200, 360, 855, 375));

    m_text2 = field(QStringLiteral("Text2"), QStringLiteral("FREQUENCY (MHz)"),
                    QStringLiteral("100.05"), 1320);
    m_text3 = field(QStringLiteral("Text3"), QStringLiteral("FORWARD TARGET(W)"),
                    QStringLiteral("1000"), 2400);
    m_text5 = field(QStringLiteral("Text5"), QStringLiteral("REFLECT TARGET (W)"),
                    QStringLiteral("100"), 3480);
    m_text6 = field(QStringLiteral("Text6"), QStringLiteral("TEMP PROTECTION (C)"),
                    QStringLiteral("50"), 4560);

    m_text4 = new QLineEdit(DesignBytePause, this);
    m_text4->setObjectName(QStringLiteral("Text4"));
    m_text4->hide();
}

QLineEdit* SetParameterPanel::field(const QString& name, const QString& caption,
                                    const QString& text, int top)
{
    auto* label = new QLabel(caption, this);
    label->setGeometry(twipsRect(240, top, 2295, 300));
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(name);
    edit->setGeometry(twipsRect(240, top + 300, 2295, 435));
    QFont f = edit->font();
    f.setPointSize(12);
    edit->setFont(f);
    return edit;
}

void SetParameterPanel::selectCarrier(bool on)
{
    (on ? m_on : m_off)->setChecked(true);
}

} // namespace zel
