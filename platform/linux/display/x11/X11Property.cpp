#include "platform/linux/display/x11/X11Property.h"

namespace stepveil::platform {

X11Property::X11Property(::Display* connection, ::Window window, Atom property, long maximumUnits,
                         Atom requestedType, bool deleteAfterReading) {
    if (XGetWindowProperty(connection, window, property, 0, maximumUnits,
                           deleteAfterReading ? True : False, requestedType, &type, &format, &count,
                           &remaining, &value) != Success) {
        type = None;
        format = 0;
        count = 0;
    }
}

X11Property::~X11Property() {
    if (value != nullptr) {
        XFree(value);
    }
}

bool X11Property::holds(Atom wantedType, int wantedFormat) const {
    return value != nullptr && format == wantedFormat &&
           (wantedType == AnyPropertyType || type == wantedType);
}

} // namespace stepveil::platform
