# The packages CPack makes from this build (`cpack` in the build folder; scripts/package.sh
# makes both into dist/):
# - on Linux, the Debian package stepveil_VERSION_amd64.deb: the plug-in in /usr/lib/vst, the
#   LV2 bundle in /usr/lib/lv2 when the build has one, the tool in /usr/bin, the README, the
#   licence and the changelog in /usr/share/doc/stepveil, and the libraries it needs declared,
#   so that installing the file with apt is the whole installation;
# - on Windows, Stepveil-VERSION-windows.zip: the 64-bit DLL as Stepveil.dll and the 32-bit
#   one as Stepveil-32bit.dll, each from its own build, a text on where to put them, and the
#   licence.
set(CPACK_PACKAGE_NAME Stepveil)
set(CPACK_PACKAGE_VENDOR "the Stepveil developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tempo-synced 32-step gate plug-in (VST 2)")
# Lines of at most 80 columns, as Debian's tools show them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Every bar of the host's song is cut into 32 steps; each step has a level from"
    "silence to full, and the stereo signal is multiplied by the level of the step"
    "the song is in, with a short ramp from step to step. The editor has one slider"
    "per step, and the host records every move as automation."
    "."
    "The package holds the plug-in for Linux hosts of the VST 2 interface and the"
    "stepveil command, which renders audio files through the plug-in, lists its"
    "programs and pictures its editor.")
set(CPACK_STRIP_FILES ON)

set(packaging_folder ${CMAKE_CURRENT_LIST_DIR})
set(packaging_output ${PROJECT_BINARY_DIR}/packaging)

if(STEPVEIL_WINDOWS)
    include(${packaging_folder}/WindowsZip.cmake)
else()
    include(${packaging_folder}/DebianPackage.cmake)
endif()

include(CPack)
