#include "shelfcontrols.h"

#include "shelvedialog.h"

#include "alarms/shelf.h"

#include <QLabel>
#include <QPushButton>

namespace zel {

ShelfControls::ShelfControls(QWidget* window)
    : QObject(window), m_window(window),
      m_shelve(new QPushButton(QStringLiteral("S&helve…"), window)),
      m_unshelve(new QPushButton(QStringLiteral("U&nshelve"), window)),
      m_shelved(new QLabel(window))
{
    m_shelve->setToolTip(QStringLiteral("For maintenance: the alarms are still logged, but send "
                                        "no alert and do not bring the window forward"));
    m_unshelve->setToolTip(QStringLiteral("Ends every shelf now"));
    m_shelved->setWordWrap(true);
    for (QWidget* w : {static_cast<QWidget*>(m_shelve), static_cast<QWidget*>(m_unshelve),
                       static_cast<QWidget*>(m_shelved)})
        w->hide();
    connect(m_unshelve, &QPushButton::clicked, this, &ShelfControls::unshelve);
}

void ShelfControls::setShelf(Shelf* shelf)
{
    if (m_shelf)
        disconnect(m_shelf, nullptr, this, nullptr);
    m_shelf = shelf;
    m_shelve->setVisible(shelf != nullptr);
    m_unshelve->setVisible(shelf != nullptr);
    if (shelf)
        connect(shelf, &Shelf::changed, this, &ShelfControls::showShelves);
    showShelves();
}

void ShelfControls::showShelves()
{
    const Shelves shelves = m_shelf ? m_shelf->shelves() : Shelves();
    m_unshelve->setEnabled(!shelves.isEmpty());
    m_shelved->setVisible(!shelves.isEmpty());
    if (shelves.isEmpty())
        return;
    // The kinds by the time their shelf ends, soonest first.
    QMap<QDateTime, QStringList> byEnd;
    for (auto it = shelves.cbegin(); it != shelves.cend(); ++it)
        byEnd[it->until] << it.key();
    QStringList parts;
    for (auto it = byEnd.cbegin(); it != byEnd.cend(); ++it)
        parts << QStringLiteral("%1 until %2")
                     .arg(it->size() == alarm::all().size() ? QStringLiteral("all alarms")
                                                            : it->join(u", "),
                          it.key().toLocalTime().toString(QStringLiteral("HH:mm")));
    m_shelved->setText(QStringLiteral("Shelved: ") + parts.join(QStringLiteral("; ")));
}

void ShelfControls::choose(const QString& kind)
{
    if (!m_shelf)
        return;
    auto* dialog = new ShelveDialog(kind, m_shelf->maxHours(), m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const QString refusal =
            m_shelf->shelve(dialog->kinds(), dialog->durationMs(), dialog->reason());
        if (!refusal.isEmpty())
            Q_EMIT refused(QStringLiteral("Nothing was shelved: %1").arg(refusal));
    });
    dialog->open();
}

void ShelfControls::unshelve()
{
    if (m_shelf)
        m_shelf->unshelve({});
}

} // namespace zel
