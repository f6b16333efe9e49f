#pragma once

class QWidget;

// Where top-level windows open: always within the available area of their screen (the screen
// less its panels), whatever the scale and the screen size.

// Moves a top-level window so that its outer frame sits in the middle of its screen, then keeps
// it on the screen as keepOnScreen does: a window larger than the screen is not left at a
// negative position.
void centerOnScreen(QWidget& form);

// Moves a top-level window, and makes it smaller where it must, so that its outer frame lies
// within the available area of its screen; it keeps its position and size where they fit.
void keepOnScreen(QWidget& form);
