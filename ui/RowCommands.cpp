#include "ui/RowCommands.h"

#include <QAccessibleActionInterface>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace ui {

namespace {

const char* const kObjectName = "quobinRowCommands";

void CollectEnabled(const QMenu& menu, QList<QAction*>& actions)
{
    for (QAction* action : menu.actions()) {
        if (action->isSeparator() || !action->isEnabled()) continue;
        if (action->menu())
            CollectEnabled(*action->menu(), actions);
        else
            actions << action;
    }
}

} // namespace

RowCommands::RowCommands(QWidget* list, MenuFactory makeMenu, MenuOpener openMenu)
    : QObject(list), m_makeMenu(std::move(makeMenu)), m_openMenu(std::move(openMenu))
{
    setObjectName(QLatin1String(kObjectName));
}

void RowCommands::Attach(QWidget* list, MenuFactory makeMenu, MenuOpener openMenu)
{
    delete list->findChild<RowCommands*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly);
    new RowCommands(list, std::move(makeMenu), std::move(openMenu));
}

const RowCommands* RowCommands::Of(const QObject* list)
{
    return list ? list->findChild<RowCommands*>(QLatin1String(kObjectName),
                                                Qt::FindDirectChildrenOnly)
                : nullptr;
}

QStringList RowCommands::ActionNames() const
{
    QStringList names;
    const std::unique_ptr<QMenu> menu = m_makeMenu();
    QList<QAction*> actions;
    CollectEnabled(*menu, actions);
    for (QAction* action : actions)
        names << action->text();
    return names;
}

bool RowCommands::Run(const QString& name) const
{
    if (name == QAccessibleActionInterface::showMenuAction()) {
        QTimer::singleShot(0, this, [this] { m_openMenu(); });
        return true;
    }
    if (!ActionNames().contains(name)) return false;
    QTimer::singleShot(0, this, [this, name] {
        // Built again: the row or the state may have changed meanwhile.
        const std::unique_ptr<QMenu> menu = m_makeMenu();
        QList<QAction*> actions;
        CollectEnabled(*menu, actions);
        for (QAction* action : actions) {
            if (action->text() != name) continue;
            action->trigger();
            return;
        }
    });
    return true;
}

} // namespace ui
