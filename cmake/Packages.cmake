# The Windows packages CPack makes of the install rules (cmake/Install.cmake), in the build
# folder: `cpack` there writes
#   buggy-<version>-win64.exe (or -win32.exe)  an NSIS installer (Debian's nsis, makensis):
#                                              the viewer (both programs and their pictures,
#                                              Start-menu entries, an uninstaller) and Lumora's
#                                              development files as a component of their own
#   buggy-<version>-win64.zip (or -win32.zip)  the same files to unpack anywhere
# The programs read their pictures from the working directory, so the Start-menu entries
# start them in bin\, where the pictures are.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(buggy_windows win64)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
else()
  set(buggy_windows win32)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME buggy)
set(CPACK_PACKAGE_VENDOR "the Lumora and buggy viewer authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Textured dune buggy viewer and the Lumora graphics library")
set(CPACK_PACKAGE_FILE_NAME buggy-${PROJECT_VERSION}-${buggy_windows})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Buggy)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Buggy ${PROJECT_VERSION} ${buggy_windows}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)

set(CPACK_COMPONENTS_ALL viewer development)
set(CPACK_COMPONENT_VIEWER_DISPLAY_NAME "Buggy viewer")
set(CPACK_COMPONENT_VIEWER_DESCRIPTION "The buggy viewer and the buttons demo with their pictures")
set(CPACK_COMPONENT_VIEWER_REQUIRED ON)
set(CPACK_COMPONENT_DEVELOPMENT_DISPLAY_NAME "Lumora development files")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "liblumora.a, the headers, the CMake package Lumora, lumora.pc, the pages and the examples")
# The zip holds everything in one tree.
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)

set(CPACK_NSIS_DISPLAY_NAME "Buggy ${PROJECT_VERSION} (${buggy_windows})")
set(CPACK_NSIS_PACKAGE_NAME "Buggy ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\buggy.exe")
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
get_target_property(buttons_demo_name buttons-demo OUTPUT_NAME)
# NSIS takes single quotes as well: double ones would end CPack's own strings.
set(CPACK_NSIS_CREATE_ICONS_EXTRA "
  SetOutPath '$INSTDIR\\bin'
  CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\Buggy.lnk' '$INSTDIR\\bin\\buggy.exe'
  CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\Lumora buttons demo.lnk' '$INSTDIR\\bin\\${buttons_demo_name}.exe'
  SetOutPath '$INSTDIR'")
# The uninstaller removes the package's own key under the vendor's; these commands run after
# that, so the vendor's key goes too once nothing else of it is left.
set(CPACK_NSIS_DELETE_ICONS_EXTRA "
  Delete '$SMPROGRAMS\\$MUI_TEMP\\Buggy.lnk'
  Delete '$SMPROGRAMS\\$MUI_TEMP\\Lumora buttons demo.lnk'
  DeleteRegKey /ifempty SHCTX 'Software\\${CPACK_PACKAGE_VENDOR}'")
include(CPack)
