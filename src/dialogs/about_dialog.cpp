#include "dialogs/about_dialog.h"

#include "core/product_info.h"
#include "design/design_scale.h"
#include "design/screen_placement.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

using design::TwipsRect;

constexpr double kClientWidth = 5475;
constexpr double kClientHeight = 3090;
constexpr double kDesignLeft = 5250; // client area's top-left corner on the screen
constexpr double kDesignTop = 4095;

struct AboutLabel
{
    const char* name;
    QString caption;
    TwipsRect rect;
};

QLabel* addLabel(QWidget* frame, const DesignScale& scale, const AboutLabel& design)
{
    auto* label = new QLabel(design.caption, frame);
    label->setObjectName(QLatin1String(design.name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // labels print from their top edge
    scale.placeLabel(label, design.rect);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : DesignDialog(QStringLiteral("frmAbout"), QStringLiteral("About Lexivo Dictionary"), parent)
{

    const DesignScale scale(this);
    setDesignSize(scale.size(kClientWidth, kClientHeight));
    // The client area's corner at the design position, then within the screen.
    setGeometry(QRect(QPoint(scale.x(kDesignLeft), scale.y(kDesignTop)), size()));
    keepOnScreen(*this);

    // The leading blanks are part of the captions: they centre the text in the frame.
    auto* upper = new QGroupBox(designArea());
    upper->setObjectName(QStringLiteral("Frame2"));
    scale.place(upper, {240, 0, 3735, 1455});
    addLabel(upper, scale,
             {"Label1", QStringLiteral("         Lexivo Dictionary II"), {720, 360, 2295, 255}});
    addLabel(upper, scale,
             {"Label3", QStringLiteral("              version 1.1"), {720, 600, 2175, 255}});
    // The rights line: the program is distributed under the MIT License (LICENSE).
    addLabel(upper, scale,
             {"Label2", QStringLiteral("   Free software: MIT License"), {720, 960, 2295, 255}});

    auto* lower = new QGroupBox(designArea());
    lower->setObjectName(QStringLiteral("Frame1"));
    scale.place(lower, {240, 1440, 3735, 1455});
    addLabel(lower, scale,
             {"Label4", QStringLiteral("Contact points are:"), {120, 360, 3135, 255}});
    addLabel(
        lower, scale,
        {"Label5", QStringLiteral("Url:     ") + product::makerWebsite(), {120, 600, 3255, 255}});
    addLabel(
        lower, scale,
        {"Label6", QStringLiteral("Email: ") + product::supportEmail(), {120, 840, 3135, 255}});

    auto* ok = new QPushButton(QStringLiteral("OK"), designArea());
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setAutoDefault(false);
    scale.placeButton(ok, {4080, 240, 1335, 375});
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    applyTabOrder({{0, ok}});
}
