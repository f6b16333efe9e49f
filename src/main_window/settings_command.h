#pragma once

class QWidget;
class OptionsDialog;
class SettingsSession;

// "Online Dictionary Query String": shows the options dialog centred and modal. "Save" writes
// the settings file (and warns, naming the file and the reason, when that fails; the new values
// stay in use either way); anything else puts every field back as it was.
//
// When the file has changed since this copy read or wrote it (another copy of the program saved
// in between), "Save" first asks whether to replace it.
void runQueryStringCommand(OptionsDialog& options, SettingsSession& settings,
                           QWidget* warningParent);
