# A fuzzing build instruments every library for libFuzzer's coverage feedback; the fuzz
# targets of tests/fuzz link the fuzzing engine itself. Only clang has the engine. Combine it
# with STEPVEIL_SANITIZE=address,undefined so every finding is a report, not a silent fault.
if(STEPVEIL_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "STEPVEIL_FUZZ needs clang (configure with CMAKE_CXX_COMPILER=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link
        -fsanitize-coverage-ignorelist=${CMAKE_CURRENT_LIST_DIR}/fuzz-coverage-ignore.txt)
endif()
