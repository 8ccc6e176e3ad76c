#pragma once

#include <QAccessibleWidget>

class QLineEdit;

namespace ui {

// A read-only line edit as assistive technology sees it: text that can be read, selected
// and copied, marked read-only and not editable, with no way to change it. Qt's own line
// edit interface lets a screen reader insert and replace text in a read-only edit.
class ReadOnlyFieldAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadOnlyFieldAccessible(QLineEdit* edit);

    // Gives every read-only QLineEdit this interface; call once before windows are shown.
    static void Install();
    static QAccessibleInterface* Create(const QString& className, QObject* object);

    QLineEdit* Edit() const;

    // QAccessibleInterface
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTextInterface, reading only.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;
};

} // namespace ui
