#pragma once

namespace moxtal {

// Keys every window of the program answers alike, installed once on the application: Enter
// (Return or the keypad's Enter) on the focused push button clicks it, as Space does. No button is
// a default button, so Enter anywhere else clicks nothing (on the confirmation dialog's list it
// never starts "Rename").
void installWindowKeys();

}  // namespace moxtal
