# Run by cpack on the installed files before it packs them. The stripped programs still
# carry the compilers' version notes (.comment), which Debian's packages leave out.
if(NOT CPACK_TB_OBJCOPY)
  return()
endif()
file(GLOB_RECURSE _files LIST_DIRECTORIES false ${CPACK_TEMPORARY_DIRECTORY}/*)
foreach(_file ${_files})
  if(IS_SYMLINK ${_file})
    continue()
  endif()
  file(READ ${_file} _magic LIMIT 4 HEX)
  if(_magic STREQUAL "7f454c46")
    execute_process(COMMAND ${CPACK_TB_OBJCOPY} --remove-section=.comment ${_file}
                    RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "${CPACK_TB_OBJCOPY} could not remove .comment from ${_file}")
    endif()
  endif()
endforeach()
