// What the X server's events on our windows become in the layer: exposures become update
// regions (and so WM_PAINT), buttons, the wheel, motion and keys become the mouse and key
// messages Win32 sends, with its virtual-key codes, a window destroyed with the host's window
// is noted so that the layer destroys its own window as Win32 would, and drags from other
// programs go to the drop receiver (X11DropReceiver).
#pragma once

#include "platform/linux/display/x11/X11Display.h"

union _XEvent;

namespace stepveil::platform {

// Called with the layer's lock held, for every event read from the layer's connection.
void translateEvent(X11Display& display, _XEvent& event);

// Protocols spoken with other X clients (drag and drop), which see every event first: their
// client messages may name a window other than ours (a top-level forwarding them to us), and
// their sources' windows are not ours. True when the event belonged to one.
bool handleClientProtocolEvent(X11Display& display, _XEvent& event);

// MK_* bits of a mouse message (and of OLE's key state) from X's button and modifier state.
WPARAM mouseKeysOfState(unsigned int state);

// The bit of X's button and modifier state for a virtual key (the mouse buttons, shift,
// control, alt), 0 for any other key.
unsigned int stateMaskOfVirtualKey(int virtualKey);
// The X keysym of a virtual key, 0 when it has none.
unsigned long keysymOfVirtualKey(int virtualKey);
// The virtual key of an X keysym, 0 when it has none.
int virtualKeyOfKeysym(unsigned long keysym);

} // namespace stepveil::platform
