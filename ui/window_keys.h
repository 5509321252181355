#pragma once

namespace moxtal {

// Keys every window of the program answers alike, installed once on the application:
// - Enter (Return or the keypad's Enter) on the focused push button clicks it, as Space does. No
//   button is a default button, so Enter anywhere else clicks nothing (on the confirmation
//   dialog's list it never starts "Rename").
// - Shift+F10 and the Menu key open the focused control's context menu, the one a right click on
//   it opens, at its caret or its current row.
void installWindowKeys();

}  // namespace moxtal
