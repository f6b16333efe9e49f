#include "temp_program_folder.h"

#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "fake_browser.h"
#include "main_window/main_window.h"

#include <QDir>
#include <QFile>
#include <QTest>

TempProgramFolder::TempProgramFolder()
{
    QVERIFY2(m_dir.isValid(), "cannot make a temporary folder");
}

QString TempProgramFolder::sessionPath() const
{
    return m_dir.filePath(QStringLiteral("session"));
}

QString TempProgramFolder::settingsPath() const
{
    return sessionPath() + QStringLiteral("/lexivo.xml");
}

void TempProgramFolder::makeSessionFolder() const
{
    QDir().mkpath(sessionPath());
}

void TempProgramFolder::writeSettingsBytes(const QByteArray& bytes) const
{
    makeSessionFolder();
    QFile file(settingsPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(settingsPath()));
}

void TempProgramFolder::writeSettings(const QueryStringSet& values) const
{
    writeSettingsBytes(settings_file::encodeFileText(settings_file::buildSettingsText(values)));
}

QByteArray TempProgramFolder::settingsBytes() const
{
    QFile file(settingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

std::unique_ptr<MainWindow> TempProgramFolder::start(FakeBrowser** browser) const
{
    auto fake = std::make_unique<FakeBrowser>();
    *browser = fake.get();
    return std::make_unique<MainWindow>(path(), std::move(fake));
}
