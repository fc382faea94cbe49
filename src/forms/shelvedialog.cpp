#include "shelvedialog.h"

#include "alarms/alarmtitle.h"
#include "alarms/shelf.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zel {

ShelveDialog::ShelveDialog(const QString& kind, int maxHours, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_maxHours(maxHours),
      m_all(new QRadioButton(QStringLiteral("&All alarms"), this)), m_only(new QRadioButton(this)),
      m_duration(new QComboBox(this)), m_reason(new QLineEdit(this)), m_problem(new QLabel(this)),
      m_shelve(new QPushButton(QStringLiteral("&Shelve"), this))
{
    setWindowTitle(QStringLiteral("Shelve alarms"));
    m_only->setText(kind.isEmpty() ? QStringLiteral("&Only the selected alarm")
                                   : QStringLiteral("&Only %1 (%2)").arg(alarmTitle(kind), kind));
    m_only->setEnabled(!kind.isEmpty());
    (kind.isEmpty() ? m_all : m_only)->setChecked(true);
    m_duration->setEditable(true);
    for (const char* d : {"30m", "1h", "2h", "4h", "8h"})
        m_duration->addItem(QString::fromLatin1(d));
    m_duration->addItem(QStringLiteral("%1h").arg(maxHours));
    m_duration->setCurrentText(QStringLiteral("2h"));
    m_duration->setToolTip(
        QStringLiteral("As 30m, 2h or 1h30m; at most %1 h ([Alarms] MaxShelveHours)")
            .arg(maxHours));
    m_reason->setMaxLength(shelving::MaxReasonLength);
    m_reason->setPlaceholderText(QStringLiteral("antenna work"));
    m_problem->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(m_all);
    form->addRow(m_only);
    form->addRow(QStringLiteral("&For:"), m_duration);
    form->addRow(QStringLiteral("&Reason:"), m_reason);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_shelve, QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Shelved alarms are still logged, but send no "
                                                "alert and do not bring the window forward."),
                                 this));
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_duration, &QComboBox::currentTextChanged, this, &ShelveDialog::check);
    connect(m_reason, &QLineEdit::textChanged, this, &ShelveDialog::check);
    check();
}

QStringList ShelveDialog::kinds() const
{
    return m_only->isChecked() ? QStringList{m_kind} : QStringList{};
}

qint64 ShelveDialog::durationMs() const
{
    return parseShelfDuration(m_duration->currentText()).value_or(0);
}

QString ShelveDialog::reason() const
{
    return cleanReason(m_reason->text());
}

void ShelveDialog::check()
{
    QString problem;
    if (durationMs() <= 0)
        problem = QStringLiteral("The time reads as 30m, 2h or 1h30m.");
    else if (const QString why = shelfTooLong(durationMs(), m_maxHours); !why.isEmpty())
        problem = why.left(1).toUpper() + why.mid(1) + u'.';
    else if (reason().isEmpty())
        problem = QStringLiteral("Say why, for the log.");
    m_problem->setText(problem);
    m_shelve->setEnabled(problem.isEmpty());
}

} // namespace zel
