# Debian packages for integrators of a live image: `cpack` in a build tree
# configured with the `package` preset (prefix /usr, configuration in /etc,
# where the programs look for the rule database).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rescue)
set(CPACK_PACKAGE_VENDOR "Rescue disk developers")
set(CPACK_PACKAGE_CONTACT "Rescue disk developers <dev@rescue.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are found in the build tree; the packages that carry them
# declare them to dpkg, and the tools depend on that package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    "${PROJECT_BINARY_DIR}/nimbix;${PROJECT_BINARY_DIR}/hivemend")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
# The rule database is the site's to edit: dpkg keeps local changes.
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_BINARY_DIR}/conffiles")
file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/conffiles" "${CMAKE_INSTALL_FULL_SYSCONFDIR}/registry.json\n")

set(CPACK_DEBIAN_LIBRARIES_PACKAGE_NAME librescue1)
set(CPACK_COMPONENT_LIBRARIES_DESCRIPTION
    "Lookup client libNimbix.so.1 and registry hive engine libHivemend.so.1, with the default repair rules")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME librescue-dev)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "Headers of libNimbix and libHivemend")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS libraries)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME rescue-tools)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "Programs: rescuescan (the rescue program), rescuectl (scan and registry repair from a console), hivemend (hive tool), nimbixd (reference lookup service)")
set(CPACK_COMPONENT_TOOLS_DEPENDS libraries)

include(CPack)
