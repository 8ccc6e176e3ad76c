#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QLineEdit;
class QMenu;

// The S files chosen lately, newest first, offered by a drop-down arrow inside the path
// field (Alt+Down opens it). Picking one calls `choose` while the field is enabled, so a
// running operation's file cannot change under it.
class RecentFilesMenu : public QObject {
    Q_OBJECT

public:
    using Chooser = std::function<void(const QString& path)>;

    RecentFilesMenu(QLineEdit* pathField, Chooser choose);

    const QStringList& Files() const { return m_files; }
    void SetFiles(const QStringList& files);
    // Puts `path` first, once, and keeps the newest app::MainSettings::kRecentCount.
    void Remember(const QString& path);

private:
    void Rebuild();

    QLineEdit* m_pathField;
    Chooser m_choose;
    QMenu* m_menu; // a child of this object's parent window
    QStringList m_files;
};
