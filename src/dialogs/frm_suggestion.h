#pragma once

#include "core/query_string_set.h"
#include "design/design_dialog.h"

#include <vector>

class QCheckBox;

// A provider suggestion dialog: one check box per ready-made template of one key, "OK" and
// "Cancel". It knows no templates; it reports whether the user confirmed (bSaveFlag) and which
// boxes are ticked. The six dialogs (frmChinese ... frmEngComputer) are this one class, built
// from the provider table.
class frmSuggestion : public DesignDialog
{
    Q_OBJECT
public:
    explicit frmSuggestion(QueryKey key, QWidget* parent = nullptr);

    bool bSaveFlag = false;

    // ticked[i] tells whether Check(i+1) is ticked.
    std::vector<bool> tickedBoxes() const;

    void cmdOK_Click();
    void cmdCancel_Click();

    // The dialog's name for a key, e.g. "frmChinese".
    static QString formName(QueryKey key);

private:
    std::vector<QCheckBox*> m_checkBoxes; // Check1, Check2, ...
};
