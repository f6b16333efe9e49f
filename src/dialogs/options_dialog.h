#pragma once

#include "core/query_string_set.h"
#include "design/design_dialog.h"

class QLineEdit;
class QPushButton;

// The options dialog (design name frmOption). Its seven text boxes hold the query strings for the
// whole run: it is created hidden at start-up, shown modally for editing, and hidden again by
// "Save" (accept(): exec() returns QDialog::Accepted) or "Cancel" (or the close box: reject()).
// Neither button destroys it.
class OptionsDialog : public DesignDialog
{
    Q_OBJECT
public:
    explicit OptionsDialog(QWidget* parent = nullptr);

    QLineEdit* field(QueryKey key) const;
    QString text(QueryKey key) const;
    QueryStringSet values() const;
    void setValues(const QueryStringSet& values);

    // The "Select" button beside a template field; none for Home.
    QPushButton* selectButton(QueryKey key) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildDesign();
    void setFieldText(QueryKey key, const QString& text);
    void offerSuggestions(QueryKey key);

    std::array<QLineEdit*, kQueryKeyCount> m_fields{};
    std::array<QPushButton*, kQueryKeyCount> m_selectButtons{};
};
