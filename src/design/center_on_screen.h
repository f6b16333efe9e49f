#pragma once

class QWidget;

// Moves a top-level window so that its outer frame sits in the middle of its screen. A window
// larger than the screen gets a negative position.
void centerOnScreen(QWidget& form);
