# The Windows programs' resources, compiled by windres (resources/windows/velmorrow.rc.in): the
# application manifest (resources/windows/velmorrow.manifest.in), the icon and the version. The icon is
# drawn by the build from the project's own resources/velmorrow.svg at 16 to 256 pixels and packed into
# one .ico (the 256-pixel picture as PNG, as Windows expects it); nothing generated is kept in the tree.
enable_language(RC)
find_program(VELMORROW_RSVG_CONVERT rsvg-convert REQUIRED)  # scripts/deps windows
find_program(VELMORROW_ICOTOOL icotool REQUIRED)

set(icon_dir ${PROJECT_BINARY_DIR}/windows-resources)
set(icon ${icon_dir}/velmorrow.ico)
set(icon_sizes 16 24 32 48 64 128 256)
set(icon_pictures "")
set(icon_commands "")
foreach(size IN LISTS icon_sizes)
  set(picture ${icon_dir}/velmorrow-${size}.png)
  list(APPEND icon_commands COMMAND ${VELMORROW_RSVG_CONVERT} -w ${size} -h ${size} -o ${picture}
       ${PROJECT_SOURCE_DIR}/resources/velmorrow.svg)
  if(size EQUAL 256)
    list(APPEND icon_pictures -r ${picture})
  else()
    list(APPEND icon_pictures ${picture})
  endif()
endforeach()
add_custom_command(OUTPUT ${icon}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
  ${icon_commands}
  COMMAND ${VELMORROW_ICOTOOL} -c -o ${icon} ${icon_pictures}
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/velmorrow.svg
  COMMENT "Drawing the Windows icon from resources/velmorrow.svg"
  VERBATIM)
add_custom_target(velmorrow_windows_icon DEPENDS ${icon})

set(VELMORROW_FILE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
set(VELMORROW_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VELMORROW_MANIFEST_ARCHITECTURE amd64)
else()
  set(VELMORROW_MANIFEST_ARCHITECTURE x86)
endif()
set(VELMORROW_ICON ${icon})

# velmorrow_windows_resources(PROGRAM DESCRIPTION): the manifest, icon and version of one program.
function(velmorrow_windows_resources program description)
  set(VELMORROW_PROGRAM ${program})
  set(VELMORROW_DESCRIPTION ${description})
  set(VELMORROW_MANIFEST ${icon_dir}/${program}.manifest)
  set(rc ${icon_dir}/${program}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/velmorrow.manifest.in ${VELMORROW_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/velmorrow.rc.in ${rc} @ONLY)
  target_sources(${program} PRIVATE ${rc})
  set_source_files_properties(${rc} TARGET_DIRECTORY ${program}
    PROPERTIES OBJECT_DEPENDS "${icon};${VELMORROW_MANIFEST}")
  add_dependencies(${program} velmorrow_windows_icon)
endfunction()

velmorrow_windows_resources(velmorrow "Velmorrow, a real-time demo")
velmorrow_windows_resources(hwlconv "Velmorrow's HWL picture converter")
velmorrow_windows_resources(texgen "Velmorrow's procedural texture renderer")
