# Packages of the Windows build (cpack in the build folder; scripts/package-windows.sh
# puts them into dist/): a portable zip of the tool folder and an NSIS
# installer. Both hold whichever of the four programs the build has, side by
# side and nothing else: they are statically linked, and the files they
# remember are written beside them.
set(kq_packaged_programs flashwright hexsplice flashwright-cli hexsplice-cli)
set(kq_window_programs flashwright hexsplice)  # a Start-menu shortcut each

set(CPACK_PACKAGE_EXECUTABLES "")
foreach(program IN LISTS kq_packaged_programs)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION .)
    if(program IN_LIST kq_window_programs)
      list(APPEND CPACK_PACKAGE_EXECUTABLES ${program} ${program})
    endif()
  endif()
endforeach()

set(CPACK_PACKAGE_NAME flashwright)
set(CPACK_PACKAGE_VENDOR flashwright)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Program upgrade of KQ581X and KQ58XX modules over a serial line, and HEX file merge")
set(CPACK_PACKAGE_FILE_NAME flashwright-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY flashwright)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_STRIP_FILES ON)

# A 64-bit installer for 64-bit programs: it runs where they do (also on a
# Wine without its 32-bit half) and installs under the 64-bit Program Files.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_PACKAGE_NAME flashwright)  # also the Start-menu folder
set(CPACK_NSIS_DISPLAY_NAME "flashwright ${PROJECT_VERSION}")
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)

include(CPack)
