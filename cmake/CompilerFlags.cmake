# SPDX-License-Identifier: BSD-3-Clause
# Warnings for the project's own targets. CI turns them into errors.
# Floating-point code is never reordered: no -ffast-math, and trapping math stays on so that the
# exception flags the fault guard reads survive optimisation.
option(DEDODIZ_WERROR "Treat compiler warnings as errors" OFF)
option(DEDODIZ_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

function(dedodiz_target_flags target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    # WebAssembly has no exception flags and one rounding mode; its compiler refuses the option.
    if(NOT EMSCRIPTEN)
        target_compile_options(${target} PRIVATE -frounding-math)
    endif()
    # GCC 12 at -O3 reports overlaps inside std::string that cannot happen (its bug 105651).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(DEDODIZ_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(DEDODIZ_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Includes name their folder: "engine/Run.h", "files/WorkFile.h", "buffers/BufferFile.h" from the source
# root, "core/Session.h", "gui/Tulvmain.h", "cli/Commands.h" from app/. An installed library keeps the
# same names under include/dedodiz (cmake/LibraryInstall.cmake). The build's generated headers
# ("engine/Release.h") come from its generated/ folder.
get_filename_component(DEDODIZ_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
function(dedodiz_source_includes target scope)
    target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${DEDODIZ_SOURCE_ROOT}>
                                                  $<BUILD_INTERFACE:${DEDODIZ_SOURCE_ROOT}/app>
                                                  $<BUILD_INTERFACE:${CMAKE_BINARY_DIR}/generated>
                                                  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/dedodiz>)
endfunction()
