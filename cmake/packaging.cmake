# The Debian package, made with `cpack -G DEB` in a build folder:
# verdanex_VERSION_ARCH.deb. It holds the installed files of the `verdanex`
# component only; the program's Config.ini and Py are made by its postinst on
# the target machine and removed by its postrm on purge.

include(GNUInstallDirs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verdanex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Verdanex")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop front-end for pip, the Python package installer")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};verdanex;/")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Verdanex developers <verdanex@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# CPack puts the summary above this text as the package's first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Verdanex manages the packages of one Python interpreter: it lists them, \
looks packages up in the package index, installs, updates and uninstalls them, \
works with requirements files and switches the index mirror. Its interface is \
in Chinese. By default it manages its own virtual environment, made at \
installation in ${CPACK_PACKAGING_INSTALL_PREFIX}/${VX_INSTALL_APPDIR}/Py.")

# The interpreter and venv with pip (offline, from python3-pip-whl) for Py, and
# a font for the Chinese texts. The libraries come from dpkg-shlibdeps when it
# (dpkg-dev) and file are there, else from the list below.
set(vx_deb_depends "python3, python3-venv, python3-pip-whl, fonts-wqy-microhei")
find_program(VX_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(VX_FILE_PROGRAM file)
if(VX_DPKG_SHLIBDEPS AND VX_FILE_PROGRAM)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    message(STATUS "dpkg-shlibdeps or file not found: the package lists its libraries by hand")
    string(APPEND vx_deb_depends ", libqt6widgets6, libqt6qml6, libcurl4")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${vx_deb_depends}")

set(VX_DEB_RUN_DIR "${CPACK_PACKAGING_INSTALL_PREFIX}/${VX_INSTALL_APPDIR}")
set(VX_DEB_SHIPPED_CONFIG
    "${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/verdanex/Config.ini")
foreach(script postinst postrm)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/deb/${script}.in
                   ${PROJECT_BINARY_DIR}/packaging/deb/${script} @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/deb/postinst
                                       ${PROJECT_BINARY_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
