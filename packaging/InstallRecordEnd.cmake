# Runs last in an install from source: adds the files it wrote and the
# folders it made to the build folder's record of installs into this prefix
# (install-records/), which the uninstall target reads.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()

string(MD5 key "${CMAKE_INSTALL_PREFIX}")
set(record "${PELMOR_BUILD_DIR}/install-records/${key}.txt")
set(entries)
foreach(folder IN LISTS PELMOR_NEW_FOLDERS)
  list(APPEND entries "folder ${folder}")
endforeach()
foreach(file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
  list(APPEND entries "file ${file}")
endforeach()
# An earlier install into the same prefix made folders that this one found.
if(EXISTS "${record}")
  file(STRINGS "${record}" earlier REGEX "^(file|folder) ")
  list(APPEND entries ${earlier})
endif()
list(REMOVE_DUPLICATES entries)
list(JOIN entries "\n" text)
file(WRITE "${record}" "prefix ${CMAKE_INSTALL_PREFIX}\n${text}\n")
