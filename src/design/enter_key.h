#pragma once

class QKeyEvent;
class QWidget;

// On the design's platform the command button that has the focus is pressed by Enter (and the
// keypad's Enter) as well as by Space; a Qt push button takes Enter only when it is a default
// button, which the design has none of, and otherwise passes the key on to its window. A window
// calls this from its keyPressEvent: when the key is Enter and `focus` is a push button, the
// button is clicked, the key accepted and true returned.
bool pressFocusedButtonOnEnter(QWidget* focus, QKeyEvent* event);

bool isEnterKey(const QKeyEvent* event);
