# What `cmake --install` puts where, after GNUInstallDirs (a Debian build passes the
# multiarch library folder as CMAKE_INSTALL_LIBDIR). debian/ makes the Debian packages of the
# same layout; on Windows cmake/Packages.cmake makes the installers and the zip.
#
# Component "development": Lumora for other programs. The archives (all named liblumora*),
# the public headers under include/lumora/ (on Linux the Win32 subset's API headers they
# include under include/lumora/win32/), the CMake package Lumora (imported target
# Lumora::lumora, with a version file), the pkg-config file lumora.pc, and in
# share/doc/liblumora-dev the pages a programmer reads and the example programs.
# Component "viewer": the buggy viewer as a desktop program. The programs read their image
# files from the working directory: the pictures, the same on every architecture, live in
# share/buggy, the programs in libexec/buggy, and bin/ holds launchers that start them in the
# pictures' folder; a desktop entry, icons, AppStream metainfo and man pages announce them.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The version is the project's, set by project() in the top-level CMakeLists.txt.
set(LUMORA_VERSION ${PROJECT_VERSION})

# ---- Lumora ------------------------------------------------------------------------------
set(lumora_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Lumora)
set(lumora_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/liblumora-dev)
set(lumora_targets lumora)

# The public headers: Lumora's own and every header of ours they include, followed through
# their quoted includes, so a header the Win32 subset's API gains is installed with it.
# Headers keep their path under include/lumora/: lumora/X.h there, win32/Y.h as
# include/lumora/win32/Y.h.
set(public_headers lumora/Lumora.h lumora/Platform.h)
set(pending ${public_headers})
while(pending)
  list(POP_FRONT pending header)
  file(STRINGS ${CMAKE_SOURCE_DIR}/${header} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" name "${line}")
    if(EXISTS ${CMAKE_SOURCE_DIR}/${name} AND NOT name IN_LIST public_headers)
      list(APPEND public_headers ${name})
      list(APPEND pending ${name})
    endif()
  endforeach()
endwhile()
foreach(header IN LISTS public_headers)
  get_filename_component(folder ${header} DIRECTORY)
  string(REGEX REPLACE "^lumora/?" "" folder "${folder}")
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lumora/${folder} COMPONENT development)
endforeach()

if(WIN32)
  set(PC_REQUIRES "")
  set(PC_LIBS "-llumora -lglu32 -lopengl32 -lgdi32 -luser32 -lcomctl32")
else()
  # Installed, Lumora is for desktop programs: linking it brings what the build's own
  # programs link as win32_desktop, the entry point and the desktop host, the host whole.
  target_link_libraries(lumora INTERFACE "$<INSTALL_INTERFACE:Lumora::win32_winmain>"
                        "$<INSTALL_INTERFACE:$<LINK_LIBRARY:WHOLE_ARCHIVE,Lumora::win32_sdl>>")
  list(APPEND lumora_targets win32_core win32_sdl win32_winmain)
  # The archives carry Lumora's name: the subset is Lumora's, not a system's Win32.
  set_target_properties(win32_core PROPERTIES OUTPUT_NAME lumora-win32)
  set_target_properties(win32_sdl PROPERTIES OUTPUT_NAME lumora-win32-sdl)
  set_target_properties(win32_winmain PROPERTIES OUTPUT_NAME lumora-win32-winmain)
  # The same order as Lumora::lumora: the host whole, ahead of the core it calls back.
  set(PC_REQUIRES "gl glu pixman-1 sdl2 SDL2_ttf wayland-client")
  if(X11_FOUND)
    string(APPEND PC_REQUIRES " x11")
  endif()
  set(PC_LIBS "-llumora -llumora-win32-winmain -Wl,--whole-archive -llumora-win32-sdl -Wl,--no-whole-archive -llumora-win32")
endif()
# The headers include each other by their paths in this tree ("lumora/Platform.h",
# "win32/windows.h"): include/ and include/lumora/ resolve both.
target_include_directories(lumora INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
                           $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/lumora>)
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

# The pages link only to each other, so they read the same here as in docs/; the examples
# are each a CMake project of their own.
install(FILES docs/getting-started.md docs/lumora-reference.md
        DESTINATION ${lumora_doc_dir} COMPONENT development)
install(DIRECTORY examples/ DESTINATION ${lumora_doc_dir}/examples COMPONENT development)

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
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT viewer)
  include(cmake/Packages.cmake)
  return()
endif()

set(buggy_program_dir ${CMAKE_INSTALL_LIBEXECDIR}/buggy)
set(buggy_data_dir ${CMAKE_INSTALL_DATADIR}/buggy)
file(RELATIVE_PATH BIN_TO_DATA /${CMAKE_INSTALL_BINDIR} /${buggy_data_dir})
file(RELATIVE_PATH BIN_TO_PROGRAMS /${CMAKE_INSTALL_BINDIR} /${buggy_program_dir})
set(DATA_DIR ${buggy_data_dir})
install(TARGETS buggy buttons-demo buggy-snapshot RUNTIME DESTINATION ${buggy_program_dir} COMPONENT viewer)
install(FILES ${painted_files} DESTINATION ${buggy_data_dir} COMPONENT viewer)
set(launchers "")
foreach(target buggy buttons-demo)
  get_target_property(PROGRAM ${target} OUTPUT_NAME)
  if(NOT PROGRAM)
    set(PROGRAM ${target})
  endif()
  configure_file(cmake/install/launcher.sh.in ${CMAKE_BINARY_DIR}/launchers/${PROGRAM} @ONLY)
  list(APPEND launchers ${CMAKE_BINARY_DIR}/launchers/${PROGRAM})
endforeach()
configure_file(cmake/install/buggy-snapshot.sh.in ${CMAKE_BINARY_DIR}/launchers/buggy-snapshot @ONLY)
install(PROGRAMS ${launchers} ${CMAKE_BINARY_DIR}/launchers/buggy-snapshot
        DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT viewer)
install(DIRECTORY docs/man/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT viewer
        FILES_MATCHING PATTERN "*.1")

# The icons are the buggy itself, frames of the headless viewer, turned a little and brought
# nearer, one for each size a desktop asks for.
set(buggy_icons "")
foreach(size 16 24 32 48 64 128 256)
  set(icon ${CMAKE_BINARY_DIR}/launchers/icons/${size}x${size}/buggy.png)
  math(EXPR screen "${size} + 2")
  add_custom_command(
      OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/launchers/icons/${size}x${size}
      COMMAND buggy-snapshot --fullscreen --screen ${screen}x${screen} --right-drag 50 --left-drag 30,0
              --output ${icon}
      DEPENDS buggy-snapshot painted-textures
      WORKING_DIRECTORY ${PAINTER_OUTPUT_DIR}
      COMMENT "Drawing the viewer's ${size} x ${size} icon"
      VERBATIM)
  list(APPEND buggy_icons ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT viewer)
endforeach()
add_custom_target(buggy-icon ALL DEPENDS ${buggy_icons})
install(FILES cmake/install/buggy.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT viewer)
install(FILES cmake/install/buggy.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT viewer)
