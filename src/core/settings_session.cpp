#include "core/settings_session.h"

#include "core/canned_templates.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "core/settings_messages.h"
#include "core/settings_save_lock.h"

#include <QDir>
#include <QFileInfo>

using namespace settings_file;

namespace {

// A save takes milliseconds; a copy that holds the lock for this long is stuck.
constexpr std::chrono::milliseconds kLockWait{10000};

} // namespace

SettingsSession::SettingsSession(const QString& home) : m_folder(folderIn(home)) {}

QString SettingsSession::folderIn(const QString& home)
{
    return home + QDir::separator() + QStringLiteral("session");
}

QString SettingsSession::filePath() const
{
    return m_folder + QDir::separator() + fileName();
}

void SettingsSession::makeFolder() const
{
    if (!QFileInfo::exists(m_folder))
        QDir().mkdir(m_folder);
}

SettingsSession::Loaded SettingsSession::load()
{
    // Nothing beside the file is removed, not even what a killed save may leave: Qt names that
    // file "lexivo.xml." and six letters or digits, which a person may have chosen too.
    makeFolder();

    Loaded loaded;
    const QString file = filePath();
    if (!QFileInfo(file).isFile()) {
        loaded.values = canned_templates::defaults();
        return loaded;
    }
    QString text; // stays empty when the file cannot be read
    readTextFile(file, text, &loaded.failure, &m_seen);
    loaded.values = parseSettingsText(text);
    return loaded;
}

SettingsSession::SaveResult SettingsSession::save(const QueryStringSet& values)
{
    return saveIfUnchanged(values, m_seen);
}

SettingsSession::SaveResult SettingsSession::saveOver(const QueryStringSet& values,
                                                      const Fingerprint& found)
{
    return saveIfUnchanged(values, found);
}

SettingsSession::SaveResult SettingsSession::saveIfUnchanged(const QueryStringSet& values,
                                                             const Fingerprint& expected)
{
    const QString file = filePath();
    // From the check to the new file in place, no other copy's save may come in between.
    const SaveLock lock(file, kLockWait);
    if (lock.state() == SaveLock::State::Busy)
        return {SaveStatus::Failed, problemText(FileProblem::SaveInProgress, {}), {}, {}};
    // A folder cannot be replaced by a file, and is not asked about.
    const Fingerprint found = fingerprintFile(file);
    if (found.kind == Fingerprint::Folder)
        return {SaveStatus::Failed, settings_messages::folderInTheWay(found), {}, {}};
    // Replacing a file another copy has saved since would silently drop its settings; a link
    // that has taken the file's name would take the values somewhere else.
    if (found != expected)
        return {SaveStatus::ChangedOnDisk,
                {},
                settings_messages::changedOnDisk(file, found, expected),
                found};

    const QByteArray bytes = encodeFileText(buildSettingsText(values));
    SaveFile saveFile(file);
    const WriteResult written = writeBytes(saveFile, bytes);
    if (!written.ok)
        return {SaveStatus::Failed, written.error, {}, {}};
    m_seen = fingerprintOf(bytes, file);
    return {SaveStatus::Saved, {}, {}, {}};
}
