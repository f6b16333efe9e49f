#pragma once

#include "design/design_dialog.h"

// The About box: name, version and contact points. Created for each showing, at its design
// position; "OK" or the close box ends it.
class frmAbout : public DesignDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    void cmdOK_Click();
};
