#pragma once

class QLineEdit;

// Shows every typed character of a password box as "*", whatever the style's own mask is. A
// style sheet would do the same, but it brings the style-sheet engine into the login window's
// start.
void maskWithStars(QLineEdit* box);
