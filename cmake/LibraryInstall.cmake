# SPDX-License-Identifier: BSD-3-Clause
# The calculation library as other C++ programs use it: the headers under include/dedodiz, with the
# same names as in the source tree ("engine/Run.h", "files/WorkFile.h", "buffers/BufferFile.h",
# "core/Sweep.h"), the static libraries, and the CMake package dedodiz, whose find_package(dedodiz)
# gives dedodiz::core with dedodiz::files, dedodiz::buffers and dedodiz::engine as its dependencies.
# All of it is the install component "dev" (cmake --install BUILD --component dev).
include(CMakePackageConfigHelpers)

set(DEDODIZ_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/dedodiz)
set(library_targets dedodiz_engine dedodiz_files dedodiz_buffers dedodiz_core)
foreach(target ${library_targets})
    string(REPLACE "dedodiz_" "" name ${target})
    set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
endforeach()
install(TARGETS ${library_targets} EXPORT dedodizTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
foreach(folder engine files buffers app/core)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/${folder} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dedodiz
            COMPONENT dev FILES_MATCHING PATTERN "*.h")
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/generated/engine/Release.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dedodiz/engine COMPONENT dev)
install(EXPORT dedodizTargets NAMESPACE dedodiz:: DESTINATION ${DEDODIZ_CMAKE_PACKAGE_DIR} COMPONENT dev)

# The package looks for what the core's interface names: nlohmann-json, and the threads library where
# the uncertainty computation runs on threads.
get_target_property(core_links dedodiz_core INTERFACE_LINK_LIBRARIES)
if("Threads::Threads" IN_LIST core_links)
    set(DEDODIZ_PACKAGE_NEEDS_THREADS ON)
else()
    set(DEDODIZ_PACKAGE_NEEDS_THREADS OFF)
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/dedodizConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/dedodizConfig.cmake
                              INSTALL_DESTINATION ${DEDODIZ_CMAKE_PACKAGE_DIR})
# Static libraries of one release, without a stable interface yet: a program asks for the 2.50 it
# was written against.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/dedodizConfigVersion.cmake
                                 VERSION ${DEDODIZ_RELEASE} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/dedodizConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/dedodizConfigVersion.cmake
        DESTINATION ${DEDODIZ_CMAKE_PACKAGE_DIR} COMPONENT dev)
