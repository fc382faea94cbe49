#include "settingline.h"

#include "alarms/limitsettings.h"

namespace zel {

SettingLine::SettingLine(SettingsDraft& draft, QString section, QString key,
                         const QString& defaultText, Check check, QWidget* parent)
    : QLineEdit(parent), m_draft(draft), m_section(std::move(section)), m_key(std::move(key)),
      m_check(std::move(check))
{
    setObjectName(m_key);
    setPlaceholderText(defaultText);
    setText(m_draft.read(m_section, m_key, QString()).trimmed());
    connect(this, &QLineEdit::textEdited, this, &SettingLine::edited);
    mark();
}

QString SettingLine::levelProblem(const QString& text)
{
    return parseLevel(text) ? QString() : QStringLiteral("is not a number from 0 up");
}

QString SettingLine::secondsProblem(const QString& text)
{
    return parseSeconds(text, 0)
               ? QString()
               : QStringLiteral("is not a whole number of seconds from 0 to %1").arg(MaxSeconds);
}

void SettingLine::edited(const QString& text)
{
    // Empty means the default, so the key goes rather than staying empty.
    if (text.trimmed().isEmpty())
        m_draft.remove(m_section, m_key);
    else
        m_draft.write(m_section, m_key, text.trimmed());
    mark();
    Q_EMIT changed();
}

void SettingLine::mark(const QString& problem)
{
    const QString own = text().trimmed().isEmpty() ? QString() : m_check(text().trimmed());
    m_problem = own.isEmpty() ? problem : own;
    QPalette shade = palette();
    shade.setColor(QPalette::Base,
                   m_problem.isEmpty() ? QPalette().color(QPalette::Base) : ProblemBackground);
    setPalette(shade);
    setToolTip(m_problem.isEmpty()
                   ? QString()
                   : QStringLiteral("\"%1\" %2")
                         .arg(text().isEmpty() ? placeholderText() : text(), m_problem));
}

} // namespace zel
