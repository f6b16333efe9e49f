#pragma once

#include "core/query_string_set.h"
#include "design/design_dialog.h"

class QLineEdit;
class QPushButton;

// The options dialog. Its seven text boxes are the live settings for the whole run: it is
// created hidden at start-up, shown modally for editing, and hidden again by "Save" (which sets
// bSaveFlag) or "Cancel" (or the close box). Neither button destroys it.
class frmOption : public DesignDialog
{
    Q_OBJECT
public:
    explicit frmOption(QWidget* parent = nullptr);

    bool bSaveFlag = false;

    QLineEdit* field(QueryKey key) const;
    QString text(QueryKey key) const;
    QueryStringSet values() const;
    void setValues(const QueryStringSet& values);

    // The "Select" button beside a template field; none for Home.
    QPushButton* selectButton(QueryKey key) const;

    void cmdSave_Click();
    void cmdCancel_Click();

    // "Select" buttons: each offers its key's provider suggestions and writes the template of
    // the ticked provider into the field.
    void cmdChinese_Click();
    void cmdEnglish_Click();
    void cmdThesaurus_Click();
    void cmdJapanese_Click();
    void cmdChiComputer_Click();
    void cmdEngComputer_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildDesign();
    void setFieldText(QueryKey key, const QString& text);
    void selectProvider(QueryKey key);

    std::array<QLineEdit*, kQueryKeyCount> m_fields{};
    std::array<QPushButton*, kQueryKeyCount> m_selectButtons{};
};
