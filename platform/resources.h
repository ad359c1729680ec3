// How bitmap resources compiled into a Linux module make themselves known: the generated
// resource code registers each .bmp file's bytes under its id, for the module that holds
// them, and LoadBitmapA(that module's instance handle, id) finds them.
#pragma once

#include <cstddef>

namespace stepveil::platform {

// `inModule` is any address inside the module that holds the resources (the bytes
// themselves will do); the bytes must stay valid until unregistered.
void registerBitmapResource(const void* inModule, int id, const unsigned char* bytes,
                            std::size_t size);
void unregisterBitmapResources(const void* inModule);

} // namespace stepveil::platform
