#include "ui/ReadOnlyFieldAccessible.h"

#include <QLineEdit>

namespace ui {

ReadOnlyFieldAccessible::ReadOnlyFieldAccessible(QLineEdit* edit)
    : QAccessibleWidget(edit, QAccessible::EditableText)
{
}

void ReadOnlyFieldAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&ReadOnlyFieldAccessible::Create);
        return true;
    }();
    (void)installed;
}

QAccessibleInterface* ReadOnlyFieldAccessible::Create(const QString&, QObject* object)
{
    auto* edit = qobject_cast<QLineEdit*>(object);
    return edit && edit->isReadOnly() ? new ReadOnlyFieldAccessible(edit) : nullptr;
}

QLineEdit* ReadOnlyFieldAccessible::Edit() const
{
    return static_cast<QLineEdit*>(widget());
}

QString ReadOnlyFieldAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) return Edit()->text();
    return QAccessibleWidget::text(t);
}

QAccessible::State ReadOnlyFieldAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.editable = false;
    state.selectableText = true;
    return state;
}

void* ReadOnlyFieldAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void ReadOnlyFieldAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !Edit()->hasSelectedText()) return;
    *startOffset = Edit()->selectionStart();
    *endOffset = Edit()->selectionEnd();
}

int ReadOnlyFieldAccessible::selectionCount() const
{
    return Edit()->hasSelectedText() ? 1 : 0;
}

void ReadOnlyFieldAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void ReadOnlyFieldAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0) Edit()->deselect();
}

void ReadOnlyFieldAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0) Edit()->setSelection(startOffset, endOffset - startOffset);
}

int ReadOnlyFieldAccessible::cursorPosition() const
{
    return Edit()->cursorPosition();
}

void ReadOnlyFieldAccessible::setCursorPosition(int position)
{
    Edit()->setCursorPosition(position);
}

QString ReadOnlyFieldAccessible::text(int startOffset, int endOffset) const
{
    return Edit()->text().mid(startOffset, endOffset - startOffset);
}

int ReadOnlyFieldAccessible::characterCount() const
{
    return static_cast<int>(Edit()->text().size());
}

QRect ReadOnlyFieldAccessible::characterRect(int) const
{
    return {};
}

int ReadOnlyFieldAccessible::offsetAtPoint(const QPoint&) const
{
    return -1;
}

void ReadOnlyFieldAccessible::scrollToSubstring(int, int) {}

QString ReadOnlyFieldAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = offset;
    return {};
}

} // namespace ui
