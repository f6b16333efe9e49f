#include "main_window/settings_command.h"

#include "core/settings_messages.h"
#include "design/center_on_screen.h"
#include "dialogs/options_dialog.h"

#include <QMessageBox>

void runQueryStringCommand(OptionsDialog& options, const QString& settingsFile,
                           settings_file::Fingerprint& lastSeen, QWidget* warningParent)
{
    const QueryStringSet snapshot = options.values();
    centerOnScreen(options);
    if (options.exec() != QDialog::Accepted) {
        options.setValues(snapshot);
        return;
    }

    // Replacing a file another copy has saved since would silently drop its settings: ask.
    if (settings_file::fingerprintFile(settingsFile) != lastSeen &&
        QMessageBox::question(warningParent, settings_messages::title(),
                              settings_messages::changedOnDisk(settingsFile),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;

    const QString text = settings_file::buildSettingsText(options.values());
    const settings_file::WriteResult result = settings_file::writeTextFile(settingsFile, text);
    if (result.ok) {
        lastSeen = settings_file::fingerprintOf(settings_file::encodeFileText(text));
        return;
    }
    QMessageBox::warning(warningParent, settings_messages::title(),
                         settings_messages::saveFailed(settingsFile, result.error));
}
