#pragma once

#include "core/query_string_set.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class FakeBrowser;
class MainWindow;

// A throw-away program folder for starting the main window as a user would: with or without a
// session folder and settings file.
class TempProgramFolder
{
public:
    TempProgramFolder();

    QString path() const { return m_dir.path(); }
    QString sessionPath() const;
    QString settingsPath() const;

    void makeSessionFolder() const;
    void writeSettingsBytes(const QByteArray& bytes) const;
    void writeSettings(const QueryStringSet& values) const;
    QByteArray settingsBytes() const;

    // Starts the main window here with a fake browser; *browser receives the fake.
    std::unique_ptr<MainWindow> start(FakeBrowser** browser) const;

private:
    QTemporaryDir m_dir;
};
