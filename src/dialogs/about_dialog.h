#pragma once

#include "design/design_dialog.h"

// The About box: name, version and contact points. Created for each showing, at its design
// position; "OK" or the close box ends it.
class AboutDialog : public DesignDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
