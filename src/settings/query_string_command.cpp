#include "query_string_command.h"

#include "dialogs/frm_option.h"
#include "main_window/center_form.h"
#include "settings_file.h"

#include <QDir>
#include <QMessageBox>

void runQueryStringCommand(frmOption& options, const QString& settingsFile, QWidget* warningParent)
{
    const QueryStringSet snapshot = options.values();
    options.bSaveFlag = false;
    CenterForm(options);
    options.exec();

    if (!options.bSaveFlag) {
        options.setValues(snapshot);
        return;
    }

    const settings_file::WriteResult result = settings_file::WriteTextFile(
        settingsFile, settings_file::BuildSettingsXML(options.values()));
    if (!result.ok) {
        QMessageBox::warning(warningParent, QStringLiteral("Lexivo Dictionary II"),
                             QStringLiteral("The settings could not be saved to\n%1\n\n%2\n\n"
                                            "The new values stay in use until the program ends.")
                                 .arg(QDir::toNativeSeparators(settingsFile), result.error));
    }
}
