#include "dialogs/suggestion_dialog.h"

#include "core/canned_templates.h"
#include "design/design_scale.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr double kClientWidth = 7455;
constexpr double kFirstRowTop = 240;
constexpr double kRowPitch = 480;
// Frame and window heights: two rows fit the standard design, the three-row dialog is taller.
constexpr double kFrameHeight[] = {1215, 1815};
constexpr double kClientHeight[] = {1725, 2295};

double rowTop(int row)
{
    return kFirstRowTop + kRowPitch * (row - 1);
}

} // namespace

QString SuggestionDialog::formName(QueryKey key)
{
    // One dialog per template key, named after it: frmChinese, ..., frmEngComputer.
    return key == QueryKey::Home ? QString() : QStringLiteral("frm") + keyName(key);
}

SuggestionDialog::SuggestionDialog(QueryKey key, QWidget* parent)
    : DesignDialog(formName(key), QStringLiteral("Select Online Dictionary Provider Suggestion"),
                   parent)
{

    const std::vector<canned_templates::Provider> providers = canned_templates::providersFor(key);
    int rows = 0;
    for (const canned_templates::Provider& provider : providers)
        rows = std::max(rows, provider.row);
    const std::size_t size = rows > 2 ? 1 : 0;
    const double frameHeight = kFrameHeight[size];
    const double clientHeight = kClientHeight[size];

    const DesignScale scale(this);
    setDesignSize(scale.size(kClientWidth, clientHeight));

    auto* frame = new QGroupBox(designArea());
    frame->setObjectName(QStringLiteral("Frame1"));
    scale.place(frame, {240, 240, 5655, frameHeight});

    std::vector<std::pair<int, QWidget*>> tabOrder;
    m_checkBoxes.resize(providers.size());
    const QFont labelFont = designFont(design_font::kLarge);
    // Created from the last box to the first, as the design stacks them.
    for (auto it = providers.rbegin(); it != providers.rend(); ++it) {
        const QString number = QString::number(it->checkBox);
        auto* check = new QCheckBox(frame);
        check->setObjectName(QStringLiteral("Check") + number);
        scale.place(check, {120, rowTop(it->row), 255, 255});
        m_checkBoxes[static_cast<std::size_t>(it->checkBox - 1)] = check;
        tabOrder.emplace_back(1 + 2 * it->checkBox, check);

        auto* label = new QLabel(QString::fromLatin1(it->name), frame);
        label->setObjectName(QStringLiteral("Label") + number);
        label->setFont(labelFont);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // labels print from their top edge
        label->setBuddy(check); // screen readers announce the box by its provider's name
        scale.placeLabel(label, {600, rowTop(it->row), 4815, 375});
    }

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), designArea());
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setAutoDefault(false);
    scale.placeButton(cancel, {6000, 960, 1215, 495});
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    tabOrder.emplace_back(1, cancel);

    auto* ok = new QPushButton(QStringLiteral("OK"), designArea());
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setAutoDefault(false);
    scale.placeButton(ok, {6000, 360, 1215, 495});
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    tabOrder.emplace_back(0, ok);

    applyTabOrder(std::move(tabOrder));
}

std::vector<bool> SuggestionDialog::tickedBoxes() const
{
    std::vector<bool> ticked;
    for (const QCheckBox* box : m_checkBoxes)
        ticked.push_back(box->isChecked());
    return ticked;
}
