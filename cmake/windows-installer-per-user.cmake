# The installer for one user: CMake's NSIS script (its NSIS.template.in) with the administrator's
# choices turned to the user's: RequestExecutionLevel user, the current user's shell folders (Start
# menu) and HKCU for the uninstaller entry. Written into the build folder at configure time; CPack
# finds it first on CMAKE_MODULE_PATH. Each change is checked, so a CMake whose script reads
# differently stops the configuration instead of making an installer for all users.
set(template_in ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in)
set(template_dir ${PROJECT_BINARY_DIR}/nsis-per-user)
file(READ ${template_in} template)
function(per_user_replace from to)
  string(FIND "${template}" "${from}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${template_in} has no \"${from}\": the per-user installer needs a look")
  endif()
  string(REPLACE "${from}" "${to}" replaced "${template}")
  set(template "${replaced}" PARENT_SCOPE)
endfunction()
per_user_replace("RequestExecutionLevel admin" "RequestExecutionLevel user")
per_user_replace("SetShellVarContext all" "SetShellVarContext current")
per_user_replace([=[HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall]=]
                 [=[HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall]=])
file(WRITE ${template_dir}/NSIS.template.in "${template}")
list(PREPEND CMAKE_MODULE_PATH ${template_dir})
