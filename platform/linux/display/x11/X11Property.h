// A window property read from the X server in one request, its value freed with the reader.
// Every read of another client's property (XDND's type and action lists, the proxy, the data
// a source wrote) takes the same care: a value is used only when the server gave one of the
// type and format asked for.
#pragma once

#include <X11/Xlib.h>

namespace stepveil::platform {

class X11Property {
public:
    // Reads at most `maximumUnits` 32-bit units of `property` on `window`, of `requestedType`
    // (AnyPropertyType for any) and deletes it afterwards when `deleteAfterReading`. Errors go
    // to the caller's X11ErrorGuard.
    X11Property(::Display* connection, ::Window window, Atom property, long maximumUnits,
                Atom requestedType, bool deleteAfterReading = false);
    ~X11Property();
    X11Property(const X11Property&) = delete;
    X11Property& operator=(const X11Property&) = delete;

    // Whether the server answered with a value of that type (AnyPropertyType: of any type) in
    // items of that format (8, 16 or 32 bits).
    bool holds(Atom wantedType, int wantedFormat) const;
    // The items of a 32-bit property, as Xlib hands them over: one long each.
    const unsigned long* longs() const { return reinterpret_cast<const unsigned long*>(value); }
    const char* bytes() const { return reinterpret_cast<const char*>(value); }

    Atom type = None;
    int format = 0;
    unsigned long count = 0;     // items read
    unsigned long remaining = 0; // bytes left unread on the server
private:
    unsigned char* value = nullptr;
};

} // namespace stepveil::platform
