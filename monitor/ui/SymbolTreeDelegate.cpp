#include "monitor/ui/SymbolTreeDelegate.h"

#include "monitor/ui/SymbolListModel.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {
constexpr int kIndent = 14; // per level
constexpr int kMark = 14;   // the branch mark's square
} // namespace

SymbolTreeDelegate::SymbolTreeDelegate(const SymbolListModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model)
{
}

int SymbolTreeDelegate::MarkEnd(const QModelIndex& index) const
{
    if (!m_model.HasTree() || index.column() != 0) return 0;
    return index.data(SymbolListModel::kDepthRole).toInt() * kIndent + kMark;
}

void SymbolTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    const int markEnd = MarkEnd(index);
    if (markEnd == 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem shifted = option;
    shifted.rect.setLeft(option.rect.left() + markEnd);
    // The selection runs under the indent too, as in a tree view.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = {};
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);
    const auto state =
        static_cast<SymbolListModel::RowState>(index.data(SymbolListModel::kStateRole).toInt());
    if (state != SymbolListModel::RowState::Leaf) {
        QStyleOption mark;
        mark.rect = QRect(option.rect.left() + markEnd - kMark, option.rect.top(), kMark,
                          option.rect.height());
        mark.palette = option.palette;
        mark.state =
            QStyle::State_Children | QStyle::State_Item | (option.state & QStyle::State_Enabled);
        if (state == SymbolListModel::RowState::Open) mark.state |= QStyle::State_Open;
        style->drawPrimitive(QStyle::PE_IndicatorBranch, &mark, painter, option.widget);
    }
    QStyledItemDelegate::paint(painter, shifted, index);
}

QSize SymbolTreeDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    return QStyledItemDelegate::sizeHint(option, index) + QSize(MarkEnd(index), 0);
}
