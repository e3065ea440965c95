# SPDX-License-Identifier: BSD-3-Clause
# The documents of an installed copy, in share/doc/PACKAGE as the Debian packages name them, so that the
# help texts and manual pages can point at them wherever they were installed from. Markdown stays as it
# is (debian/rules keeps it uncompressed), readable in any viewer.
set(doc_root ${CMAKE_INSTALL_DATAROOTDIR}/doc)

install(FILES README.md NEWS.md docs/export-formats.md DESTINATION ${doc_root}/dedodiz32-cli)
if(DEDODIZ_QT)
    install(FILES README.md NEWS.md DESTINATION ${doc_root}/dedodiz32)
endif()
if(DEDODIZ_PYTHON)
    install(FILES NEWS.md docs/python.md docs/export-formats.md DESTINATION ${doc_root}/python3-dedodiz)
endif()
install(FILES NEWS.md docs/library.md DESTINATION ${doc_root}/libdedodiz-dev COMPONENT dev)
install(DIRECTORY examples/library DESTINATION ${doc_root}/libdedodiz-dev/examples COMPONENT dev)
