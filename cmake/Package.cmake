# `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr (scripts/package does
# that): the package quillet, made of what `cmake --install` puts in place.
set(QUILLET_PACKAGE_MAINTAINER "Quillet maintainers <maintainers@quillet.example>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VENDOR Quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUILLET_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "keeps files and folders in step with a paired removable drive")
# CPack puts the summary first and indents this as Debian wants it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillet keeps files and folders on the PC in step with one paired USB stick or
portable disk. It recognises the drive by its volume serial number and size
under whatever mount point it gets, copies newer files each way, merges
folders both ways, never deletes anything and keeps a plain-text log of every
pass. It comes as a window that lives in the notification area and as the
command line tool quillet-cli.
.
The package also holds two libraries with their headers, CMake packages and
pkg-config files: Gaugette (GraphicBar, a progress-bar control, with its Qt
Designer plugin) and BrevantJPEG (JPEG encoding and drawing).")

# Installed with DESTDIR, so that what is written at install time (the launcher's entry)
# names the programs where the package puts them, not where CPack stages them.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILLET_PACKAGE_MAINTAINER}")
# The libraries the programs link come from dpkg-shlibdeps; what Qt loads at run time it
# cannot see: the window-system plugins, and Qt's own translations for its dialogs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

# The libraries are in the loader's folders: its cache is renewed through libc's trigger.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)

# Who may do what with it, and what changed, where Debian users look. The changelog's
# newest entry is the version packaged: a new version needs its entry first.
file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^quillet \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "cmake/debian/changelog does not start with an entry for "
                        "${PROJECT_VERSION}: ${newest}")
endif()
set(changelog ${CMAKE_BINARY_DIR}/${CMAKE_INSTALL_DATADIR}/doc/quillet/changelog.gz)
add_custom_command(OUTPUT ${changelog}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/${CMAKE_INSTALL_DATADIR}/doc/quillet
                   COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/cmake/debian/changelog
                           ${changelog}
                   DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog VERBATIM)
add_custom_target(quillet_changelog ALL DEPENDS ${changelog})
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillet)

include(CPack)
