#include "dialogs/options_dialog.h"

#include "core/canned_templates.h"
#include "design/design_scale.h"
#include "design/screen_placement.h"
#include "dialogs/suggestion_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace {

using design::TwipsRect;

constexpr double kClientWidth = 11955;
constexpr double kClientHeight = 5265;

// One row of the dialog: a label, a text box and, except for the home page, a "Select" button.
struct FieldRow
{
    QueryKey key;
    const char* labelName;
    const char* caption;
    TwipsRect label;
    int labelTab;
    const char* fieldName;
    TwipsRect field;
    int fieldTab;
    const char* selectName; // nullptr: no "Select" button
    double selectTop;
    int selectTab;
};

// In design order; Home's text box reaches to the right edge of the "Select" buttons.
// clang-format off
const FieldRow kRows[] = {
    {QueryKey::Home, "Label7", "Home page:", {240, 360, 1695, 375}, 21, "txtHome", {2040, 360, 9735, 420}, 20, nullptr, 0, 0},
    {QueryKey::Chinese, "Label1", "Chinese:", {240, 990, 975, 375}, 0, "txtChinese", {2040, 960, 8895, 420}, 1, "cmdChinese", 960, 14},
    {QueryKey::English, "Label2", "English:", {240, 1560, 975, 375}, 3, "txtEnglish", {2040, 1560, 8895, 420}, 13, "cmdEnglish", 1560, 15},
    {QueryKey::Thesaurus, "Label3", "Thesaurus:", {240, 2190, 1215, 375}, 5, "txtThesaurus", {2040, 2160, 8895, 420}, 4, "cmdThesaurus", 2160, 16},
    {QueryKey::Japanese, "Label4", "Japanese:", {240, 2760, 1215, 375}, 7, "txtJapanese", {2040, 2760, 8895, 420}, 6, "cmdJapanese", 2760, 17},
    {QueryKey::ChiComputer, "Label5", "Computer (Chi):", {240, 3390, 1695, 375}, 9, "txtChiComputer", {2040, 3360, 8895, 420}, 8, "cmdChiComputer", 3360, 18},
    {QueryKey::EngComputer, "Label6", "Computer (Eng):", {240, 3960, 1815, 375}, 11, "txtEngComputer", {2040, 3960, 8895, 420}, 10, "cmdEngComputer", 3960, 19},
};
// clang-format on

constexpr double kSelectLeft = 11040;
constexpr double kSelectWidth = 735;
constexpr double kSelectHeight = 420;

std::size_t slot(QueryKey key)
{
    return static_cast<std::size_t>(key);
}

} // namespace

OptionsDialog::OptionsDialog(QWidget* parent)
    : DesignDialog(QStringLiteral("frmOption"), QStringLiteral("Online Dictionary Query String"),
                   parent)
{
    buildDesign();
}

void OptionsDialog::buildDesign()
{
    const DesignScale scale(this);
    setDesignSize(scale.size(kClientWidth, kClientHeight));

    const QFont fieldFont = designFont(design_font::kLarge);
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const FieldRow& row : kRows) {
        auto* label = new QLabel(QString::fromLatin1(row.caption), designArea());
        label->setObjectName(QLatin1String(row.labelName));
        label->setFont(fieldFont);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // labels print from their top edge
        scale.placeLabel(label, row.label);

        auto* field = new QLineEdit(designArea());
        field->setObjectName(QLatin1String(row.fieldName));
        field->setFont(fieldFont);
        field->setMaxLength(std::numeric_limits<int>::max()); // QLineEdit's default is 32767
        scale.place(field, row.field);
        label->setBuddy(field); // screen readers announce the field by its label
        m_fields[slot(row.key)] = field;
        tabOrder.emplace_back(row.fieldTab, field);

        if (row.selectName) {
            auto* select = new QPushButton(QStringLiteral("Select"), designArea());
            select->setObjectName(QLatin1String(row.selectName));
            // Six buttons read "Select": a screen reader names the field each one fills.
            select->setAccessibleName(QStringLiteral("Select %1 provider")
                                          .arg(QString::fromLatin1(row.caption).chopped(1)));
            select->setAutoDefault(false);
            scale.placeButton(select, {kSelectLeft, row.selectTop, kSelectWidth, kSelectHeight});
            m_selectButtons[slot(row.key)] = select;
            connect(select, &QPushButton::clicked, this,
                    [this, key = row.key] { offerSuggestions(key); });
            tabOrder.emplace_back(row.selectTab, select);
        }
    }

    auto* save = new QPushButton(QStringLiteral("Save"), designArea());
    save->setObjectName(QStringLiteral("cmdSave"));
    save->setAutoDefault(false);
    scale.placeButton(save, {2040, 4560, 1335, 495});
    tabOrder.emplace_back(2, save);
    connect(save, &QPushButton::clicked, this, &QDialog::accept);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), designArea());
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setAutoDefault(false);
    scale.placeButton(cancel, {3600, 4560, 1335, 495});
    tabOrder.emplace_back(12, cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    applyTabOrder(std::move(tabOrder));
}

QLineEdit* OptionsDialog::field(QueryKey key) const
{
    return m_fields[slot(key)];
}

QString OptionsDialog::text(QueryKey key) const
{
    return field(key)->text();
}

QueryStringSet OptionsDialog::values() const
{
    QueryStringSet values;
    for (const QueryKey key : kQueryKeys)
        values[key] = text(key);
    return values;
}

void OptionsDialog::setValues(const QueryStringSet& values)
{
    for (const QueryKey key : kQueryKeys)
        setFieldText(key, values[key]);
}

void OptionsDialog::setFieldText(QueryKey key, const QString& text)
{
    // setText leaves the caret at the end, which scrolls a long template to its end; the start
    // (scheme and host) is what tells templates apart.
    field(key)->setText(text);
    field(key)->setCursorPosition(0);
}

void OptionsDialog::showEvent(QShowEvent* event)
{
    // Every opening shows each field from its start, also after typing in an earlier opening.
    for (const QueryKey key : kQueryKeys)
        field(key)->setCursorPosition(0);
    DesignDialog::showEvent(event);
}

QPushButton* OptionsDialog::selectButton(QueryKey key) const
{
    return m_selectButtons[slot(key)];
}

// Offers the key's provider suggestions and writes the template of the ticked provider into the
// field.
void OptionsDialog::offerSuggestions(QueryKey key)
{
    // A fresh dialog each time, so no box is ticked when it opens.
    SuggestionDialog suggestion(key);
    centerOnScreen(suggestion);
    if (suggestion.exec() != QDialog::Accepted)
        return;
    if (const std::optional<QString> chosen =
            canned_templates::selectedTemplate(key, suggestion.tickedBoxes()))
        setFieldText(key, *chosen);
}
