# Install script of the Windows package: writes SHA256SUMS.txt beside what was installed, one line a
# file ("SUM  path", paths with forward slashes, as sha256sum -c reads them), so a user can check the
# download.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(GLOB_RECURSE files RELATIVE "${root}" "${root}/*")
list(REMOVE_ITEM files SHA256SUMS.txt)
list(SORT files)
set(sums "")
foreach(file IN LISTS files)
  file(SHA256 "${root}/${file}" sum)
  string(APPEND sums "${sum}  ${file}\n")
endforeach()
file(WRITE "${root}/SHA256SUMS.txt" "${sums}")
