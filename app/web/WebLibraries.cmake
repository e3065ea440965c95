# SPDX-License-Identifier: BSD-3-Clause
# The libraries below the front ends, built for the page with emscripten: the same sources and targets as
# the native build, with exceptions on (the fault guard of every command catches a typed error) and the
# floating-point exception flags left out (WebAssembly has none; the checked operations find the faults).
if(NOT EMSCRIPTEN)
    message(FATAL_ERROR "app/web on its own is the web page build: configure it with emcmake (scripts/web.sh)")
endif()
get_filename_component(DEDODIZ_ROOT ${CMAKE_CURRENT_SOURCE_DIR}/../.. ABSOLUTE)

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()
# The installed data folder that the data-file lookup knows; the page keeps the bundled data there.
set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Where the page's file system keeps the bundled data" FORCE)

list(APPEND CMAKE_MODULE_PATH ${DEDODIZ_ROOT}/cmake)
include(CompilerFlags)
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

# emscripten's JavaScript steps (the optimiser of the link) need Debian's node modules (acorn).
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env "NODE_PATH=/usr/share/nodejs:$ENV{NODE_PATH}")

# nlohmann-json is header only; its Debian headers are used through a folder of their own, because
# /usr/include itself would put the system's C headers before emscripten's.
find_path(DEDODIZ_NLOHMANN_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/include)
file(CREATE_LINK ${DEDODIZ_NLOHMANN_INCLUDE}/nlohmann ${CMAKE_BINARY_DIR}/include/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${CMAKE_BINARY_DIR}/include)
# Eigen (header only) the same way, for the calibration's least squares.
find_path(DEDODIZ_EIGEN_INCLUDE Eigen/Dense PATHS /usr/include/eigen3 NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(CREATE_LINK ${DEDODIZ_EIGEN_INCLUDE}/Eigen ${CMAKE_BINARY_DIR}/include/Eigen SYMBOLIC)
add_library(Eigen3::Eigen INTERFACE IMPORTED)
target_include_directories(Eigen3::Eigen INTERFACE ${CMAKE_BINARY_DIR}/include)

add_subdirectory(${DEDODIZ_ROOT}/engine engine)
add_subdirectory(${DEDODIZ_ROOT}/files files)
add_subdirectory(${DEDODIZ_ROOT}/buffers buffers)
add_subdirectory(${DEDODIZ_ROOT}/app/core core)
