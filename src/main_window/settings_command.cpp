#include "main_window/settings_command.h"

#include "core/settings_messages.h"
#include "design/center_form.h"
#include "dialogs/frm_option.h"

#include <QMessageBox>

void runQueryStringCommand(frmOption& options, const QString& settingsFile,
                           settings_file::Fingerprint& lastSeen, QWidget* warningParent)
{
    const QueryStringSet snapshot = options.values();
    options.bSaveFlag = false;
    CenterForm(options);
    options.exec();

    if (!options.bSaveFlag) {
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

    const QString text = settings_file::BuildSettingsXML(options.values());
    const settings_file::WriteResult result = settings_file::WriteTextFile(settingsFile, text);
    if (result.ok) {
        lastSeen = settings_file::fingerprintOf(settings_file::encodeFileText(text));
        return;
    }
    QMessageBox::warning(warningParent, settings_messages::title(),
                         settings_messages::saveFailed(settingsFile, result.error));
}
