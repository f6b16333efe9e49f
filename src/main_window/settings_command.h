#pragma once

#include "core/settings_file.h"

#include <QString>

class QWidget;
class OptionsDialog;

// "Online Dictionary Query String": shows the options dialog centred and modal. "Save" writes
// the settings file (and warns, naming the file and the reason, when that fails; the new values
// stay in use either way); anything else puts every field back as it was.
//
// lastSeen is the file as this copy last read or wrote it. When the file on disk differs (another
// copy of the program saved in between), "Save" first asks whether to replace it; a successful
// save updates lastSeen.
void runQueryStringCommand(OptionsDialog& options, const QString& settingsFile,
                           settings_file::Fingerprint& lastSeen, QWidget* warningParent);
