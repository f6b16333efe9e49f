#pragma once

#include <QDialog>

#include <utility>
#include <vector>

// A dialog that behaves like a classic designed form:
// - no default or cancel button: Escape does nothing, and Enter presses only the button that
//   has the focus (QDialog would otherwise promote an auto-default button and press it from any
//   text box, and close on Escape);
// - every dialog button is plain (not auto-default) for the same reason;
// - the focus order follows the design's tab indexes;
// - the controls lie in a design area of the design's client size, which scrolls when the dialog
//   is smaller than its design (on a small screen), so that nothing is cut off.
class DesignDialog : public QDialog
{
    Q_OBJECT
public:
    // A top-level window with the given object name and caption, the standard sizable frame
    // (caption, minimise, maximise and close boxes) and the design's window font.
    DesignDialog(const QString& name, const QString& caption, QWidget* parent = nullptr);

protected:
    // The parent of the design's controls, whose coordinates are the design's client area.
    QWidget* designArea() const { return m_designArea; }
    // Gives the design area, and the dialog, the design's client size.
    void setDesignSize(const QSize& size);

    void keyPressEvent(QKeyEvent* event) override;

    // Chains the widgets in ascending tab index and gives the first one the focus.
    static void applyTabOrder(std::vector<std::pair<int, QWidget*>> widgetsByTabIndex);

private:
    QWidget* m_designArea;
};
