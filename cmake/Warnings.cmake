# Every target of the project compiles with the same warning set; CI makes them errors.
function(stepveil_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
        -Wno-sign-conversion -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-align
        -Wnull-dereference -Wdouble-promotion -Wformat=2)
    if(STEPVEIL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
