# What `cmake --install` puts where, and the Debian packages `cpack -G DEB` makes of it.
#
# Component "development": Lumora for other programs. The archives, the public headers (on
# Linux with the Win32 subset's API headers they include), the CMake package Lumora (imported
# target Lumora::lumora, with a version file), the pkg-config file lumora.pc and the pages a
# programmer reads, getting started and the reference.
# Component "viewer": the buggy viewer as a desktop program. The programs read their image
# files from the working directory, so they and their files live together in lib/buggy; bin/
# holds launchers that start them there, a .desktop entry and an icon announce the viewer.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Lumora's version is the library's own, LUMOVERSION in lumora/Window.cpp.
file(STRINGS ${CMAKE_SOURCE_DIR}/lumora/Window.cpp version_line REGEX "LUMOVERSION = \"[0-9.]+\"")
string(REGEX MATCH "[0-9]+(\\.[0-9]+)*" LUMORA_VERSION "${version_line}")
if(NOT LUMORA_VERSION)
  message(FATAL_ERROR "LUMOVERSION not found in lumora/Window.cpp")
endif()

# ---- Lumora ------------------------------------------------------------------------------
set(lumora_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Lumora)
set(lumora_targets lumora)
install(FILES lumora/Lumora.h lumora/Platform.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lumora COMPONENT development)
if(WIN32)
  set(PC_REQUIRES "")
  set(PC_LIBS "-llumora -lglu32 -lopengl32 -lgdi32 -luser32 -lcomctl32")
else()
  install(FILES win32/windows.h win32/windef.h win32/winbase.h win32/wingdi.h win32/winuser.h
                win32/commctrl.h win32/windowsx.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/win32 COMPONENT development)
  # Installed, Lumora is for desktop programs: linking it brings what the build's own
  # programs link as win32_desktop, the entry point and the desktop host, the host whole.
  target_link_libraries(lumora INTERFACE "$<INSTALL_INTERFACE:Lumora::win32_winmain>"
                        "$<INSTALL_INTERFACE:$<LINK_LIBRARY:WHOLE_ARCHIVE,Lumora::win32_sdl>>")
  list(APPEND lumora_targets win32_core win32_sdl win32_winmain)
  # The same order as Lumora::lumora: the host whole, ahead of the core it calls back.
  set(PC_REQUIRES "gl glu pixman-1 sdl2 SDL2_ttf x11 wayland-client")
  set(PC_LIBS "-llumora -lwin32_winmain -Wl,--whole-archive -lwin32_sdl -Wl,--no-whole-archive -lwin32_core")
endif()
target_include_directories(lumora INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS ${lumora_targets} EXPORT LumoraTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(EXPORT LumoraTargets NAMESPACE Lumora::
        DESTINATION ${lumora_cmake_dir} COMPONENT development)
configure_package_config_file(cmake/install/LumoraConfig.cmake.in ${CMAKE_BINARY_DIR}/LumoraConfig.cmake
                              INSTALL_DESTINATION ${lumora_cmake_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/LumoraConfigVersion.cmake
                                 VERSION ${LUMORA_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/LumoraConfig.cmake ${CMAKE_BINARY_DIR}/LumoraConfigVersion.cmake
        DESTINATION ${lumora_cmake_dir} COMPONENT development)

# The pages link only to each other, so they read the same here as in docs/.
install(FILES docs/getting-started.md docs/lumora-reference.md
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/lumora COMPONENT development)

# lumora.pc finds its prefix from its own folder, so the installed tree can be moved.
string(REGEX REPLACE "[^/]+" ".." PC_TO_PREFIX "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
configure_file(cmake/install/lumora.pc.in ${CMAKE_BINARY_DIR}/lumora.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/lumora.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# ---- The viewer --------------------------------------------------------------------------
get_target_property(painted_files painted-textures PAINTED_FILES)
if(WIN32)
  # A Windows program starts in its own folder: programs and pictures side by side in bin/.
  install(TARGETS buggy buttons-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT viewer)
  install(FILES ${painted_files} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT viewer)
  return()
endif()

set(buggy_data_dir lib/buggy)
file(RELATIVE_PATH BIN_TO_DATA /${CMAKE_INSTALL_BINDIR} /${buggy_data_dir})
set(DATA_DIR ${buggy_data_dir})
install(TARGETS buggy buttons-demo buggy-snapshot RUNTIME DESTINATION ${buggy_data_dir} COMPONENT viewer)
install(FILES ${painted_files} DESTINATION ${buggy_data_dir} COMPONENT viewer)
foreach(PROGRAM buggy buttons-demo)
  configure_file(cmake/install/launcher.sh.in ${CMAKE_BINARY_DIR}/launchers/${PROGRAM} @ONLY)
endforeach()
configure_file(cmake/install/buggy-snapshot.sh.in ${CMAKE_BINARY_DIR}/launchers/buggy-snapshot @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/launchers/buggy ${CMAKE_BINARY_DIR}/launchers/buttons-demo
                 ${CMAKE_BINARY_DIR}/launchers/buggy-snapshot
        DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT viewer)

# The icon is the buggy itself, a 256 x 256 frame of the headless viewer, turned a little and
# brought nearer.
set(buggy_icon ${CMAKE_BINARY_DIR}/launchers/buggy.png)
add_custom_command(
    OUTPUT ${buggy_icon}
    COMMAND buggy-snapshot --fullscreen --screen 258x258 --right-drag 50 --left-drag 30,0 --output ${buggy_icon}
    DEPENDS buggy-snapshot painted-textures
    WORKING_DIRECTORY ${PAINTER_OUTPUT_DIR}
    COMMENT "Drawing the viewer's icon"
    VERBATIM)
add_custom_target(buggy-icon ALL DEPENDS ${buggy_icon})
install(FILES ${buggy_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps COMPONENT viewer)
install(FILES cmake/install/buggy.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT viewer)

# ---- Debian packages: buggy (the viewer) and liblumora-dev (Lumora) ------------------------
set(CPACK_PACKAGE_NAME buggy)
set(CPACK_PACKAGE_VERSION ${LUMORA_VERSION})
set(CPACK_PACKAGE_CONTACT "Buggy viewer maintainers <buggy@localhost>")
set(CPACK_COMPONENTS_ALL viewer development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_VIEWER_PACKAGE_NAME buggy)
set(CPACK_DEBIAN_VIEWER_PACKAGE_SECTION graphics)
# Descriptions: the summary line, then the long description.
set(CPACK_DEBIAN_VIEWER_DESCRIPTION "Textured dune buggy viewer
A desktop 3D viewer of a textured dune buggy drawn with fixed-function OpenGL,
turned and moved with the mouse; buttons-demo shows shaped image buttons and
buggy-snapshot draws the viewer without a display into a PNG file.")
# The libraries the programs link (found by dpkg-shlibdeps) and what they load or read:
# libGL and the Mesa drivers (SDL's GL, EGL's llvmpipe), the message box's DejaVu font.
set(CPACK_DEBIAN_VIEWER_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_VIEWER_PACKAGE_DEPENDS "libgl1, libgl1-mesa-dri, fonts-dejavu-core")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME liblumora-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "Lumora graphics library (static, with its Win32 subset)
Window, GL context and message pump, input, projection, lights, materials,
TGA and BMP textures, a reflection effect and shaped image buttons, written
against the Win32 API; on Linux over its own Win32 subset and an SDL2 desktop
host. find_package(Lumora) gives Lumora::lumora; pkg-config lumora.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "libgl-dev, libglu1-mesa-dev, libsdl2-dev, libsdl2-ttf-dev, libpixman-1-dev, libx11-dev, libwayland-dev, pkg-config, fonts-dejavu-core")
include(CPack)
