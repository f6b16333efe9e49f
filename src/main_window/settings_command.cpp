#include "main_window/settings_command.h"

#include "core/settings_messages.h"
#include "core/settings_session.h"
#include "design/screen_placement.h"
#include "dialogs/options_dialog.h"

#include <QMessageBox>

void runQueryStringCommand(OptionsDialog& options, SettingsSession& settings,
                           QWidget* warningParent)
{
    const QueryStringSet snapshot = options.values();
    centerOnScreen(options);
    if (options.exec() != QDialog::Accepted) {
        options.setValues(snapshot);
        return;
    }

    using Status = SettingsSession::SaveStatus;
    SettingsSession::SaveResult result = settings.save(options.values());
    // The file is not as this copy last saw it (another copy saved, it was removed, a link took
    // its name): ask before replacing it.
    while (result.status == Status::ChangedOnDisk) {
        if (QMessageBox::question(warningParent, settings_messages::title(), result.question,
                                  QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No) != QMessageBox::Yes)
            return;
        result = settings.saveOver(options.values(), result.found);
    }
    if (result.status == Status::Failed)
        QMessageBox::warning(warningParent, settings_messages::title(),
                             settings_messages::saveFailed(settings.filePath(), result.error));
}
