#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace ui {

// The commands a list offers on its current row, as its context menu holds them, for
// users without a mouse: assistive technology sees each enabled menu item as an action of
// the list (named by its menu text) and a "ShowMenu" action that opens the menu there.
// Kept as a child of the list, so it goes with it.
class RowCommands final : public QObject {
    Q_OBJECT

public:
    using MenuFactory = std::function<std::unique_ptr<QMenu>()>;
    using MenuOpener = std::function<void()>;

    // `makeMenu` builds the menu for the current row (the caller owns it); `openMenu` shows
    // it beside the current row.
    static void Attach(QWidget* list, MenuFactory makeMenu, MenuOpener openMenu);
    // Those of `list`, or nullptr.
    static const RowCommands* Of(const QObject* list);

    // The texts of the enabled items, submenus flattened, in menu order.
    QStringList ActionNames() const;
    // Runs the item with this text, or opens the menu for QAccessibleActionInterface's
    // show-menu action, after the caller has returned: an assistive technology waits for
    // its answer, and a dialog the command opens must not keep it waiting.
    bool Run(const QString& name) const;

private:
    RowCommands(QWidget* list, MenuFactory makeMenu, MenuOpener openMenu);

    MenuFactory m_makeMenu;
    MenuOpener m_openMenu;
};

} // namespace ui
