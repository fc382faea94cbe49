#pragma once

#include <QObject>

class QLabel;
class QPushButton;
class QWidget;

namespace zel {

class Shelf;

// The events window's shelving: "Shelve…" and "Unshelve" for its bar and the
// kinds shelved now for below its table, hidden until there is a shelf.
class ShelfControls : public QObject {
    Q_OBJECT
public:
    explicit ShelfControls(QWidget* window);

    QPushButton* shelveButton() const { return m_shelve; }
    QPushButton* unshelveButton() const { return m_unshelve; }
    QLabel* shelvedLabel() const { return m_shelved; }

    void setShelf(Shelf* shelf);
    // Asks which kinds (all, or kind: the selected row's), how long and why.
    void choose(const QString& kind);
    // Ends every shelf.
    void unshelve();

Q_SIGNALS:
    void refused(const QString& text);

private:
    void showShelves();

    QWidget* m_window;
    QPushButton* m_shelve;
    QPushButton* m_unshelve;
    QLabel* m_shelved;
    Shelf* m_shelf = nullptr;
};

} // namespace zel
