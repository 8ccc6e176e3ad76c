#pragma once

#include "app/MainSettings.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Points the program's per-user settings at a private temporary folder for the life of a
// test class, so that tests neither read nor overwrite the user's own settings.
class TestSettingsScope {
public:
    TestSettingsScope()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_folder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_folder.path());
    }

    static void Clear()
    {
        auto store = app::OpenQuobinSettings();
        store->clear();
        store->sync();
    }

    static void Write(const QString& key, const QVariant& value)
    {
        auto store = app::OpenQuobinSettings();
        store->setValue(QStringLiteral("Main/") + key, value);
        store->sync();
    }

    // A key with its section, e.g. "Monitoring/Select BPS".
    static void WriteIn(const QString& sectionAndKey, const QVariant& value)
    {
        auto store = app::OpenQuobinSettings();
        store->setValue(sectionAndKey, value);
        store->sync();
    }

    static QVariant Read(const QString& key)
    {
        auto store = app::OpenQuobinSettings();
        return store->value(QStringLiteral("Main/") + key);
    }

    QString Folder() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};
