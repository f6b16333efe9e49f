#pragma once

#include "core/query_string_set.h"
#include "design/design_dialog.h"

#include <vector>

class QCheckBox;

// A provider suggestion dialog: one check box per ready-made template of one key, "OK" and
// "Cancel". It knows no templates; it reports whether the user confirmed ("OK" accepts; "Cancel"
// and the close box reject) and which boxes are ticked. The six dialogs (frmChinese ...
// frmEngComputer) are this one class, built from the provider table.
class SuggestionDialog : public DesignDialog
{
    Q_OBJECT
public:
    explicit SuggestionDialog(QueryKey key, QWidget* parent = nullptr);

    // ticked[i] tells whether Check(i+1) is ticked.
    std::vector<bool> tickedBoxes() const;

    // The dialog's name for a key, e.g. "frmChinese".
    static QString formName(QueryKey key);

private:
    std::vector<QCheckBox*> m_checkBoxes; // Check1, Check2, ...
};
