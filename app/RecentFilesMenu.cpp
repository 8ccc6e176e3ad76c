#include "app/RecentFilesMenu.h"

#include "app/MainSettings.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QStyle>

#include <utility>

RecentFilesMenu::RecentFilesMenu(QLineEdit* pathField, Chooser choose)
    : QObject(pathField), m_pathField(pathField), m_choose(std::move(choose)),
      m_menu(new QMenu(pathField))
{
    m_menu->setObjectName(QStringLiteral("recentFilesMenu"));
    auto* open = m_pathField->addAction(
        m_pathField->style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    open->setObjectName(QStringLiteral("recentFilesAction"));
    open->setText(QStringLiteral("Recent S files"));
    open->setToolTip(QStringLiteral("Recent S files (Alt+Down)"));
    open->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
    open->setShortcutContext(Qt::WidgetShortcut);
    connect(open, &QAction::triggered, this, [this] {
        m_menu->popup(m_pathField->mapToGlobal(QPoint(0, m_pathField->height())));
    });
    Rebuild();
}

void RecentFilesMenu::SetFiles(const QStringList& files)
{
    m_files = files;
    Rebuild();
}

void RecentFilesMenu::Remember(const QString& path)
{
    m_files.removeAll(path);
    m_files.prepend(path);
    while (m_files.size() > app::MainSettings::kRecentCount)
        m_files.removeLast();
    Rebuild();
}

void RecentFilesMenu::Rebuild()
{
    m_menu->clear();
    for (const QString& path : m_files) {
        QAction* item = m_menu->addAction(QDir::toNativeSeparators(path));
        connect(item, &QAction::triggered, this, [this, path] {
            if (m_pathField->isEnabled()) m_choose(path);
        });
    }
    if (m_files.isEmpty())
        m_menu->addAction(QStringLiteral("(no recent files)"))->setEnabled(false);
}
