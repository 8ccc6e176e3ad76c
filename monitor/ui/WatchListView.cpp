#include "monitor/ui/WatchListView.h"

#include "monitor/ui/WatchListModel.h"
#include "ui/Announcer.h"

#include <QAccessible>
#include <QAction>
#include <QElapsedTimer>

WatchListView::WatchListView(QWidget* parent) : QTableView(parent)
{
    m_now = [timer = std::make_shared<QElapsedTimer>()] {
        if (!timer->isValid()) timer->start();
        return timer->elapsed();
    };
    auto* speak = new QAction(QStringLiteral("Speak the row"), this);
    speak->setShortcut(QKeySequence(Qt::Key_F3));
    speak->setShortcutContext(Qt::WidgetShortcut);
    connect(speak, &QAction::triggered, this, [this] {
        if (m_announcer) m_announcer->Announce(CurrentRowText());
    });
    addAction(speak);
    setToolTip(QStringLiteral("F3 speaks the focused row's name and value"));
}

int WatchListView::ValueColumn() const
{
    const auto* watch = qobject_cast<const WatchListModel*>(model());
    return watch ? watch->ValueColumn() : 0;
}

QString WatchListView::CurrentRowText() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return {};
    const QString name = model()->index(current.row(), 0).data().toString();
    const QString value = model()->index(current.row(), ValueColumn()).data().toString();
    return name + QLatin1Char(' ') + value;
}

void WatchListView::focusInEvent(QFocusEvent* event)
{
    // Arriving in the list lands on a value, so that the first thing heard is one.
    if (!currentIndex().isValid() && model() && model()->rowCount() > 0)
        setCurrentIndex(model()->index(0, ValueColumn()));
    QTableView::focusInEvent(event);
}

void WatchListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles)
{
    if (hasFocus()) {
        QTableView::dataChanged(topLeft, bottomRight, roles);
        AnnounceCells(topLeft, bottomRight);
        return;
    }
    // What the base class would do for a list without editors, less its notice to
    // assistive technology.
    if (topLeft.isValid() && bottomRight.isValid())
        viewport()->update(visualRect(topLeft).united(visualRect(bottomRight)));
}

void WatchListView::AnnounceCells(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    if (!topLeft.isValid() || !bottomRight.isValid()) return;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
    if (!table || !table->tableInterface()) return;
    const qint64 now = m_now();
    const QModelIndex current = currentIndex();
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
            const QPair<int, int> key(row, column);
            const auto told = m_lastTold.constFind(key);
            if (told != m_lastTold.cend() && now - *told < kCellQuietMs) continue;
            m_lastTold.insert(key, now);
            // Cell interfaces are made on demand: none while nobody listens.
            QAccessibleInterface* cell =
                QAccessible::isActive() ? table->tableInterface()->cellAt(row, column) : nullptr;
            if (cell) {
                QAccessibleEvent changed(cell, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&changed);
            }
            // A name change carries no text on this Qt, and only the focused cell's
            // would be read: the value of the row the user is on is spoken outright.
            if (m_announcer && row == current.row() && column == ValueColumn())
                m_announcer->Announce(model()->index(row, column).data().toString());
        }
    }
}
