# SPDX-License-Identifier: BSD-3-Clause
# The release number. "2.50" is the version the windows, reports and graphs show; every release adds a
# number N that moves (2.50.N), which the packages and --version carry, so that a newer build upgrades
# an installed one. The newest entry of debian/changelog is the one place that holds it; NEWS.md tells
# users what each release brought. Sets DEDODIZ_RELEASE, DEDODIZ_RELEASE_DATE (YYYY-MM-DD) and writes
# engine/Release.h into the build's generated/ folder.
set(changelog ${PROJECT_SOURCE_DIR}/debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
file(STRINGS ${changelog} entry_lines REGEX "^(dedodiz32 \\(| -- )" LIMIT_COUNT 2)
list(GET entry_lines 0 head)
list(GET entry_lines 1 trailer)
if(NOT head MATCHES "^dedodiz32 \\(([0-9]+\\.[0-9]+)\\.([0-9]+)\\) ")
    message(FATAL_ERROR "debian/changelog: the newest entry must be dedodiz32 (${PROJECT_VERSION}.N): ${head}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "debian/changelog: ${CMAKE_MATCH_1}.${CMAKE_MATCH_2} is no release of ${PROJECT_VERSION}")
endif()
set(DEDODIZ_RELEASE ${PROJECT_VERSION}.${CMAKE_MATCH_2})

# The entry's date, as the software-centre entry gives it: " -- NAME <MAIL>  Wed, 09 Dec 2026 21:00:00 +0000".
if(NOT trailer MATCHES ">  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "debian/changelog: no date in the newest entry's last line: ${trailer}")
endif()
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
if(month LESS 10)
    set(month 0${month})
endif()
set(DEDODIZ_RELEASE_DATE ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})

configure_file(${CMAKE_CURRENT_LIST_DIR}/Release.h.in ${CMAKE_BINARY_DIR}/generated/engine/Release.h @ONLY)
