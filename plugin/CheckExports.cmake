# Fails unless the plug-in file exports exactly the names given, nothing more, nothing less.
#   cmake -DTOOL=<nm or objdump> -DFORMAT=<elf|pe> -DPLUGIN=<file> -DEXPECTED="a;b" -P CheckExports.cmake
if(FORMAT STREQUAL "elf")
    execute_process(COMMAND ${TOOL} -D --defined-only ${PLUGIN}
        OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
else()
    execute_process(COMMAND ${TOOL} -p ${PLUGIN} OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
endif()
if(failed)
    message(FATAL_ERROR "${TOOL} could not read ${PLUGIN}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(exported)
set(inNameTable OFF)
foreach(line IN LISTS lines)
    if(FORMAT STREQUAL "elf")
        # "<address> <type> <name>": the name is the last field.
        if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] ([^ ]+)$")
            list(APPEND exported "${CMAKE_MATCH_1}")
        endif()
    else()
        # The names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] name" a line,
        # up to the next empty line.
        if(line MATCHES "Ordinal/Name Pointer\\] Table")
            set(inNameTable ON)
        elseif(inNameTable AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
            list(APPEND exported "${CMAKE_MATCH_1}")
        elseif(inNameTable AND line MATCHES "^[ \t]*$")
            set(inNameTable OFF)
        endif()
    endif()
endforeach()

list(SORT exported)
set(wanted ${EXPECTED})
list(SORT wanted)
if(NOT exported STREQUAL wanted)
    message(FATAL_ERROR "${PLUGIN} exports [${exported}], expected exactly [${wanted}]")
endif()
message(STATUS "${PLUGIN} exports exactly [${exported}]")
