# What `cmake --install` puts where, in the GNU layout under
# CMAKE_INSTALL_PREFIX, and the Debian package that CPack makes of it
# (scripts/package.sh). The programs compare their own folder with the
# prefix's bin/ to know that they run installed (platform/tool_folder.h), so
# a build is installed into the prefix it was configured with.
find_program(KQ_GZIP gzip REQUIRED)
set(KQ_PACKAGE_MAINTAINER "flashwright maintainers <maintainers@flashwright.example.org>"
    CACHE STRING "Maintainer of the Debian package, also named in its change log")

set(KQ_INSTALLED_PROGRAMS flashwright-cli hexsplice-cli kqsim)
set(KQ_MAN_PAGES flashwright-cli hexsplice-cli kqsim)
if(KQ_BUILD_GUI)
  list(APPEND KQ_INSTALLED_PROGRAMS flashwright hexsplice)
  list(APPEND KQ_MAN_PAGES flashwright hexsplice)
endif()
install(TARGETS ${KQ_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# gzip -9n: the best compression, and neither the file name nor a time in
# the header, so that the same source always gives the same bytes.
set(KQ_GENERATED ${CMAKE_BINARY_DIR}/install-files)
function(kq_gzip source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND sh -c "\"$1\" -9n -c \"$2\" > \"$3\"" kq_gzip ${KQ_GZIP} ${source} ${output}
                     DEPENDS ${source} VERBATIM)
endfunction()

# Manual pages, section 1, with the project version in their header.
set(man_files)
foreach(page ${KQ_MAN_PAGES})
  configure_file(${PROJECT_SOURCE_DIR}/man/${page}.1 ${KQ_GENERATED}/${page}.1 @ONLY)
  kq_gzip(${KQ_GENERATED}/${page}.1 ${KQ_GENERATED}/${page}.1.gz)
  list(APPEND man_files ${KQ_GENERATED}/${page}.1.gz)
endforeach()
install(FILES ${man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The licence (as the Debian copyright file) and the change log.
set(KQ_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})
kq_gzip(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${KQ_GENERATED}/changelog.gz)
set(doc_files ${KQ_GENERATED}/changelog.gz)
# The packaging change log of the Debian package: its version is the
# project's with the package revision.
set(KQ_DEBIAN_REVISION 1 CACHE STRING "Debian revision of the package (1.2.0-<revision>)")
set(KQ_DEBIAN_VERSION ${PROJECT_VERSION}-${KQ_DEBIAN_REVISION})
option(KQ_DEBIAN_DOCS "Install the Debian packaging change log (scripts/package.sh sets it)" OFF)
if(KQ_DEBIAN_DOCS)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${KQ_GENERATED}/changelog.Debian @ONLY)
  kq_gzip(${KQ_GENERATED}/changelog.Debian ${KQ_GENERATED}/changelog.Debian.gz)
  list(APPEND doc_files ${KQ_GENERATED}/changelog.Debian.gz)
endif()
# The copyright file in Debian's form carries LICENSE: the holder from its
# copyright line, its terms as an indented field (an empty line as " .").
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${licence}")
set(KQ_COPYRIGHT_HOLDER "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n+" "" terms "${licence}")
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " KQ_LICENCE_TERMS " ${terms}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in ${KQ_GENERATED}/copyright @ONLY)
install(FILES ${KQ_GENERATED}/copyright ${doc_files} DESTINATION ${KQ_DOC_DIR})
add_custom_target(kq_install_files ALL DEPENDS ${man_files} ${doc_files})

# The windows: desktop entries and their icons in the hicolor theme, drawn
# by the programs' own code and written as PNG files at build time.
if(KQ_BUILD_GUI)
  set(icon_sizes 16 24 32 48 64 128 256)
  set(icon_files)
  foreach(size ${icon_sizes})
    foreach(program flashwright hexsplice)
      list(APPEND icon_files ${KQ_GENERATED}/icons/${size}x${size}/${program}.png)
    endforeach()
  endforeach()
  add_custom_command(OUTPUT ${icon_files}
                     COMMAND kq-icon-files ${KQ_GENERATED}/icons
                     DEPENDS kq-icon-files VERBATIM)
  add_custom_target(kq_icon_files ALL DEPENDS ${icon_files})
  foreach(size ${icon_sizes})
    install(FILES ${KQ_GENERATED}/icons/${size}x${size}/flashwright.png
                  ${KQ_GENERATED}/icons/${size}x${size}/hexsplice.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/flashwright.desktop
                ${PROJECT_SOURCE_DIR}/packaging/linux/hexsplice.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

# ---- The Debian package ------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "flashwright maintainers")
set(CPACK_PACKAGE_CONTACT ${KQ_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # flashwright_1.2.0-1_amd64.deb
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KQ_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the libraries the programs link; the windows also need
# what they load or use by name: Qt's platform plugins and their Chinese font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(KQ_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware upgrade over a serial line for KQ581X and KQ58XX modules")
# CPack puts the summary first and indents the rest; an empty line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "flashwright upgrades the program of a microcontroller module of the KQ581X
(251 core) or KQ58XX (ARM core) family through its resident bootloader: it
reads an Intel HEX file and drives the bootloader over a serial line (local
upgrade, remote upgrade with or without backup), reporting every step in a
log. hexsplice joins a bootloader HEX file and a user-program HEX file into
one, after checking end records, address limits and overlap.

This package holds both windows (flashwright, hexsplice), their command-line
counterparts (flashwright-cli, hexsplice-cli) and kqsim, a simulated module
on a pseudo-terminal to try everything without hardware.")
include(CPack)
