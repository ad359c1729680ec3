// What the X server's events on our windows become in the layer: exposures become update
// regions (and so WM_PAINT), buttons, the wheel, motion and keys become the mouse and key
// messages Win32 sends, with its virtual-key codes, and a window destroyed with the host's
// window is noted so that the layer destroys its own window as Win32 would.
#pragma once

#include "platform/linux/X11Display.h"

union _XEvent;

namespace stepveil::platform {

// Called with the layer's lock held, for every event read from the layer's connection.
void translateEvent(X11Display& display, _XEvent& event);

// Messages between X clients on our windows (ClientMessage, SelectionNotify,
// SelectionRequest, PropertyNotify): the place for protocols such as drag and drop. None is
// spoken yet, so they are ignored.
void handleClientProtocolEvent(X11Display& display, X11Window& shown, _XEvent& event);

// The bit of X's button and modifier state for a virtual key (the mouse buttons, shift,
// control, alt), 0 for any other key.
unsigned int stateMaskOfVirtualKey(int virtualKey);
// The X keysym of a virtual key, 0 when it has none.
unsigned long keysymOfVirtualKey(int virtualKey);
// The virtual key of an X keysym, 0 when it has none.
int virtualKeyOfKeysym(unsigned long keysym);

} // namespace stepveil::platform
