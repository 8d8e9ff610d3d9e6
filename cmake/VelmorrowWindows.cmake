# What the Windows build has of its own (the plan is the top level's CMakeLists.txt): cross-compiled with
# MinGW-w64 (cmake/mingw-i686.cmake, cmake/mingw-x86_64.cmake), it builds the demo on the Windows
# platform backend (platform/win32/), hwlconv and texgen, and the tests that tests/CMakeLists.txt chooses
# for Windows, which CTest runs under Wine (scripts/wine-run). Only Windows' own DLLs are imported:
# everything else is linked statically. The capture and content tools stay on Linux (the data is built
# there). Here: the system libraries, the host's header-only libraries, and the package, whose rules the
# top level reads once the programs exist (velmorrow_windows_package).

add_compile_definitions(_USE_MATH_DEFINES)  # M_PI and friends, which strict C++ hides on Windows

# The demo's data is built on Linux (velmorrow-content is deterministic): the Windows tests and the
# package take it from the Linux build.
set(VELMORROW_DATA_DIR ${PROJECT_SOURCE_DIR}/build-test/data CACHE PATH "The data folder the Linux build made")

# Header-only libraries from the host's Debian packages. Their folders are reached through links in
# the build tree, so the host's /usr/include (glibc's headers) never gets onto the cross include path.
function(velmorrow_host_headers name folder)
  set(root ${PROJECT_BINARY_DIR}/host-headers/${name})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK /usr/include/${folder} ${root}/${folder} SYMBOLIC)
  add_library(${name} INTERFACE)
  target_include_directories(${name} SYSTEM INTERFACE ${root})
endfunction()
velmorrow_host_headers(velmorrow_stb_root stb)
# stb's headers are included by their bare names; on Linux Debian's libstb holds the code, here a
# source file of the build compiles it.
set(stb_code ${PROJECT_BINARY_DIR}/host-headers/stb_code.c)
file(WRITE ${stb_code}.in "#define STB_IMAGE_IMPLEMENTATION\n#define STB_IMAGE_WRITE_IMPLEMENTATION\n"
  "#include <stb_image.h>\n#include <stb_image_write.h>\n")
configure_file(${stb_code}.in ${stb_code} COPYONLY)
add_library(velmorrow_stb STATIC ${stb_code})
target_include_directories(velmorrow_stb SYSTEM PUBLIC ${PROJECT_BINARY_DIR}/host-headers/velmorrow_stb_root/stb)
target_compile_options(velmorrow_stb PRIVATE -w)  # third-party code, as Debian builds it
add_library(PkgConfig::STB ALIAS velmorrow_stb)
velmorrow_host_headers(velmorrow_cli11 CLI)
add_library(CLI11::CLI11 ALIAS velmorrow_cli11)

# Windows' OpenGL header read as the portable code expects it (platform/win32/gl/GL/gl.h).
include_directories(BEFORE SYSTEM ${PROJECT_SOURCE_DIR}/platform/win32/gl)

set(velmorrow_gl_libraries glu32 opengl32)
set(velmorrow_demo_libraries ON)

macro(velmorrow_windows_package)
# The package (scripts/package-windows): a folder with the demo, its data, the two tools, a README and
# the SHA-256 sums of them all, as a ZIP and as an installer for the user alone (no administrator
# prompt) with a Start-menu shortcut that starts the demo in its folder. Only the component "windows"
# goes in (the Linux layout's install rules stay out).
install(TARGETS velmorrow hwlconv texgen RUNTIME DESTINATION . COMPONENT windows)
install(DIRECTORY ${VELMORROW_DATA_DIR}/ DESTINATION data COMPONENT windows)
install(FILES resources/windows/README.txt DESTINATION . COMPONENT windows)
# Last: the sums of what the rules above installed (stripped already), in sha256sum's format.
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/windows-package-sums.cmake COMPONENT windows)
set(CPACK_PACKAGE_NAME Velmorrow)
set(CPACK_PACKAGE_VENDOR "Kelvane Inc.")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Velmorrow, a real-time demo")
set(CPACK_PACKAGE_FILE_NAME Velmorrow)  # the ZIP's folder; scripts/package-windows names the files
set(CPACK_PACKAGE_INSTALL_DIRECTORY Velmorrow)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_VERBATIM_VARIABLES ON)  # the NSIS lines below go into the script as written
set(CPACK_COMPONENTS_ALL windows)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/windows-cpack-options.cmake)
set(CPACK_NSIS_DISPLAY_NAME Velmorrow)
set(CPACK_NSIS_PACKAGE_NAME Velmorrow)
# For the user alone: under their own programs folder, their Start menu and their uninstaller entry
# (HKCU), with no administrator prompt. CMake's own installer script is made per user for it.
set(CPACK_NSIS_INSTALL_ROOT [=[$LOCALAPPDATA\Programs]=])
include(${PROJECT_SOURCE_DIR}/cmake/windows-installer-per-user.cmake)
# The shortcut starts the demo with the install folder as its working folder, where data/ is.
set(CPACK_NSIS_CREATE_ICONS_EXTRA [=[
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Velmorrow.lnk" "$INSTDIR\velmorrow.exe"
]=])
set(CPACK_NSIS_DELETE_ICONS_EXTRA [=[
  Delete "$SMPROGRAMS\$MUI_TEMP\Velmorrow.lnk"
]=])
include(CPack)
endmacro()
