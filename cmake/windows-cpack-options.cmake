# Per-generator settings of the Windows package (CPACK_PROJECT_CONFIG_FILE): the ZIP holds the folder
# Velmorrow/, the installer puts its contents straight into the folder the user chooses.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
