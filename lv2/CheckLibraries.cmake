# Fails when the binary needs one of the libraries named: the LV2 audio binary must load in a
# host without the window system's or the drawing libraries.
#   cmake -DREADELF=<readelf> -DBINARY=<file> -DFORBIDDEN="X11;freetype" -P CheckLibraries.cmake
execute_process(COMMAND ${READELF} -d ${BINARY} OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${READELF} could not read ${BINARY}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${listing}")
foreach(library IN LISTS FORBIDDEN)
    if(needed MATCHES "lib${library}[.-]")
        message(FATAL_ERROR "${BINARY} needs lib${library}: ${needed}")
    endif()
endforeach()
message(STATUS "${BINARY} needs only ${needed}")
