// The one way this program dispatches window messages: the modal loop of
// every dialog and the pumping during long work on the user-interface
// thread both go through here, so that every message gets the same
// treatment.
#ifndef QV_SUPPORT_MESSAGELOOP_H
#define QV_SUPPORT_MESSAGELOOP_H

#include <windows.h>

namespace message_loop {

// Offers `msg` to the pre-translation of the innermost dialog that is running
// modally (its controls' own handling, then the dialog keyboard: Tab,
// Escape, mnemonics), and translates and dispatches it when that did not
// take it.
void Dispatch(MSG& msg);

// Dispatches every message waiting in the queue. A quit message ends this:
// it is posted again, for the loop that owns it, and false is returned.
bool DispatchPending();

}  // namespace message_loop

#endif
