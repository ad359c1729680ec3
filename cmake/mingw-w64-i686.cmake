# Cross-build for 32-bit Windows with the POSIX-threads flavour of mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Floating-point arithmetic in SSE2 registers, not on the x87 unit: each float and double
# operation is then rounded to its own type as on x86-64, so this DLL computes the same bits as
# the 64-bit DLL and the Linux plug-in. The x87 unit keeps intermediate results in 80 bits and
# rounds them when it stores them, which moves ramp gains and step boundaries by a last bit.
# (Every processor that runs a current 32-bit Windows has SSE2.) With SSE enabled, mingw-w64's
# compiler realigns the stack where a function keeps vectors on it, so hosts that call with a
# stack aligned to 4 bytes only are safe.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

# Test programs and plug-ins carry the compiler's runtime inside, so they need no DLLs beside
# the system's own: the test programs run under Wine as they are, the plug-in travels alone.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest runs the test programs under 32-bit Wine, in a 32-bit prefix of the build folder's own.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;--prefix;${CMAKE_BINARY_DIR}/wine-prefix;--arch;win32")
