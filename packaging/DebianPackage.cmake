# The Debian package: every component a musician needs, in one package, installed under /usr.
set(STEPVEIL_DOC_FOLDER share/doc/stepveil)

# The changelog's newest entry must be this version, or the package would describe another.
set(changelog ${packaging_folder}/changelog)
file(STRINGS ${changelog} changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^stepveil \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog begins with \"${changelog_head}\", not with an \
entry for version ${PROJECT_VERSION}: add one")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog}
    ${PROJECT_SOURCE_DIR}/LICENSE)

# Debian keeps a package's licence in its documentation folder as `copyright`, in its own
# format: the years of the changelog's entries and the holder, then the licence's permission
# text, each line indented by one space, blank lines as " .".
file(STRINGS ${changelog} release_lines REGEX "^ -- ")
string(REGEX MATCHALL " [12][0-9][0-9][0-9] " release_years "${release_lines}")
list(TRANSFORM release_years STRIP)
list(SORT release_years)
list(GET release_years 0 first_year)
list(GET release_years -1 last_year)
set(copyright_years ${first_year})
if(NOT last_year STREQUAL first_year)
    set(copyright_years ${first_year}-${last_year})
endif()
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
string(FIND "${license_text}" "Permission is hereby granted" permission_start)
if(permission_start LESS 0)
    message(FATAL_ERROR "LICENSE does not hold the MIT permission text the package declares")
endif()
string(SUBSTRING "${license_text}" ${permission_start} -1 permission_text)
string(STRIP "${permission_text}" permission_text)
string(REPLACE "\n" "\n " permission_text "${permission_text}")
string(REPLACE "\n \n" "\n .\n" permission_text "${permission_text}")
file(WRITE ${packaging_output}/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: Stepveil\n\n"
    "Files: *\n"
    "Copyright: ${copyright_years} the Stepveil developers\n"
    "License: Expat\n"
    " ${permission_text}\n")

# Debian compresses the changelog with the highest level and without a time stamp, so that the same
# changelog always makes the same file.
execute_process(COMMAND gzip -9 -n -c ${changelog} OUTPUT_FILE ${packaging_output}/changelog.gz
    RESULT_VARIABLE gzip_status)
if(NOT gzip_status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress packaging/changelog (${gzip_status})")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
    ${packaging_output}/copyright ${packaging_output}/changelog.gz
    DESTINATION ${STEPVEIL_DOC_FOLDER} COMPONENT doc)

# Whatever of these the build defines goes into the package: the LV2 bundle joins it as soon as
# the build has one.
get_cmake_property(defined_components COMPONENTS)
set(CPACK_COMPONENTS_ALL)
foreach(component plugin lv2 tool doc)
    if(component IN_LIST defined_components)
        list(APPEND CPACK_COMPONENTS_ALL ${component})
    endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_PACKAGE_NAME stepveil)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The project has no mail address of its own yet: a reserved domain that cannot reach anyone
# by mistake, as in the changelog.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the Stepveil developers <developers@stepveil.invalid>")
# dpkg-shlibdeps reads the libraries the binaries really link and declares their packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The editor asks fontconfig for "Arial" and is drawn for Liberation Sans, whose metrics are
# Arial's; without it fontconfig picks another face and the number cells come out in it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
