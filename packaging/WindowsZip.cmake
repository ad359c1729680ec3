# The Windows zip. Each Windows build installs its own DLL under the name that tells the two
# apart; the build whose STEPVEIL_ZIP_WITH_BUILDS names the other (scripts/configure-windows.sh
# sets it for build/win64) makes the zip of both.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(zip_dll_name Stepveil.dll)
else()
    set(zip_dll_name Stepveil-32bit.dll)
endif()
install(FILES $<TARGET_FILE:stepveil_plugin> DESTINATION . RENAME ${zip_dll_name}
    COMPONENT plugin)
# Unlike install(TARGETS), install(FILES) does not strip: strip as `cmake --install --strip`
# and CPack ask, so that the zip carries no debugging sections of the static runtime.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\"
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${zip_dll_name}\" COMMAND_ERROR_IS_FATAL ANY)
endif()" COMPONENT plugin)

# Texts for Windows keep Windows line ends, so that every editor shows their lines.
configure_file(${packaging_folder}/windows-readme.txt.in ${packaging_output}/README.txt @ONLY
    NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${packaging_output}/LICENSE.txt @ONLY
    NEWLINE_STYLE CRLF)
install(FILES ${packaging_output}/README.txt ${packaging_output}/LICENSE.txt DESTINATION .
    COMPONENT doc)

set(STEPVEIL_ZIP_WITH_BUILDS "" CACHE STRING
    "Other Windows build folders whose DLL the zip carries beside this build's")
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};Stepveil;plugin;/"
    "${PROJECT_BINARY_DIR};Stepveil;doc;/")
foreach(other_build IN LISTS STEPVEIL_ZIP_WITH_BUILDS)
    cmake_path(ABSOLUTE_PATH other_build NORMALIZE)
    list(APPEND CPACK_INSTALL_CMAKE_PROJECTS "${other_build};Stepveil;plugin;/")
endforeach()
# The zip holds only the DLLs, which scripts/package.sh builds: CPack need not build every
# test program of both builds first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME Stepveil-${PROJECT_VERSION}-windows)
