# SPDX-License-Identifier: BSD-3-Clause
# The Debian package of the installed tree: `cpack -G DEB` in the build folder writes
# dedodiz32_VERSION_ARCH.deb. Its dependencies are those dpkg-shlibdeps finds for the programs and the
# private image-canvas library, so they match the libraries this build was linked with.
set(CPACK_PACKAGE_NAME dedodiz32)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator for metal buffers (free metal, total metal, chelator)")
set(CPACK_PACKAGE_DESCRIPTION
    "DEDODIZ32 tells how much of each metal is free in a solution of chelators such as EGTA, EDTA or
BAPTA with metals such as calcium, magnesium or zinc, how much total metal gives a wanted free
concentration, or how much chelator is needed, for up to six chelators and six metals at the
temperature, pH and ionic strength of an experiment. It bundles a table of twelve chelators and nine
metals. The package holds the desktop program dedodiz32 and the command-line tool dedodiz32-cli.")
set(DEDODIZ_PACKAGE_CONTACT "DEDODIZ32 maintainers <maintainers@dedodiz32.invalid>"
    CACHE STRING "Maintainer of the Debian package: name and mail address")
set(CPACK_PACKAGE_CONTACT ${DEDODIZ_PACKAGE_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows and the graph are laid out for the metrics of Arial, which Liberation Sans matches.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
# The image canvas lives in a private folder that dpkg-shlibdeps does not search by itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CPACK_PACKAGING_INSTALL_PREFIX}/${DEDODIZ_INSTALL_PRIVATE_LIBDIR})
# A build with the Python module puts it into the package; the dependencies of a module are not found by
# dpkg-shlibdeps (it links no Python library), so they are named here.
get_property(python_depends GLOBAL PROPERTY DEDODIZ_PYTHON_PACKAGE_DEPENDS)
if(DEDODIZ_PYTHON AND python_depends)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS ${python_depends})
    string(APPEND CPACK_PACKAGE_DESCRIPTION "
It also holds the Python module dedodiz for scripts and notebooks.")
endif()
# Files of the programs' own share folder, menus and MIME database are picked up by the triggers of
# desktop-file-utils, shared-mime-info and the icon cache; nothing needs a script of its own.

set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
