# Runs first in an install from source: finds the folders the install is
# about to make, by staging the same install in a scratch folder, so that
# the uninstall target can remove those folders and only those. Staged
# installs (DESTDIR: the package, the tests) are not recorded.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()

set(stage "${PELMOR_BUILD_DIR}/install-stage")
file(REMOVE_RECURSE "${stage}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${stage}"
          "${CMAKE_COMMAND}" --install "${PELMOR_BUILD_DIR}" --prefix "${CMAKE_INSTALL_PREFIX}"
  OUTPUT_QUIET RESULT_VARIABLE staged)
if(NOT staged EQUAL 0)
  message(FATAL_ERROR "Could not stage the install in ${stage} to record its folders")
endif()

set(PELMOR_NEW_FOLDERS)
set(folder "${CMAKE_INSTALL_PREFIX}")
while(NOT EXISTS "${folder}")
  list(APPEND PELMOR_NEW_FOLDERS "${folder}")
  get_filename_component(folder "${folder}" DIRECTORY)
endwhile()
file(GLOB_RECURSE staged_entries LIST_DIRECTORIES true RELATIVE "${stage}${CMAKE_INSTALL_PREFIX}"
     "${stage}${CMAKE_INSTALL_PREFIX}/*")
foreach(entry IN LISTS staged_entries)
  if(IS_DIRECTORY "${stage}${CMAKE_INSTALL_PREFIX}/${entry}"
     AND NOT EXISTS "${CMAKE_INSTALL_PREFIX}/${entry}")
    list(APPEND PELMOR_NEW_FOLDERS "${CMAKE_INSTALL_PREFIX}/${entry}")
  endif()
endforeach()
file(REMOVE_RECURSE "${stage}")
