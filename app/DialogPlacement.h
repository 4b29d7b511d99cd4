#pragma once
// Where the two dialogs of the tray menu come up and where they put the pointer.
#include "ui/Form.h"

// Centres the form's outer rectangle on the primary screen.
void CenterOnScreen(TForm& form);

// Puts the pointer on the button, reckoning the button's place in the client
// area from the form's outer corner, and 20 pixels lower for the caption.
void PointAtButton(const TForm& form, const TWinControl& button);
