#pragma once

#include <QString>

class QWidget;
class frmOption;

// "Online Dictionary Query String": shows the options dialog centred and modal. "Save" writes
// the settings file (and warns, naming the file and the reason, when that fails; the new values
// stay in use either way); anything else puts every field back as it was.
void runQueryStringCommand(frmOption& options, const QString& settingsFile, QWidget* warningParent);
