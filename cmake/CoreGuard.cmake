# The core libraries run without a window (the command line, workers): none of them may link
# Qt Widgets or Qt PrintSupport, directly or through another library. Checked when the build is
# configured, so a core library that starts linking them fails the build at once.

# Every library that target links, directly or through others.
function(tb_link_closure target out)
  set(_seen "")
  set(_todo ${target})
  while(_todo)
    list(POP_FRONT _todo _t)
    if(NOT TARGET ${_t} OR _t IN_LIST _seen)
      continue()
    endif()
    list(APPEND _seen ${_t})
    get_target_property(_aliased ${_t} ALIASED_TARGET)
    if(_aliased)
      list(APPEND _seen ${_aliased})
      set(_t ${_aliased})
    endif()
    foreach(_prop LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(_libs ${_t} ${_prop})
      if(_libs)
        foreach(_lib ${_libs})
          # Generator expressions such as $<LINK_ONLY:x> name their library inside.
          string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" _lib "${_lib}")
          list(APPEND _todo ${_lib})
        endforeach()
      endif()
    endforeach()
  endwhile()
  set(${out} ${_seen} PARENT_SCOPE)
endfunction()

function(tb_check_core_links)
  foreach(_core ${ARGN})
    tb_link_closure(${_core} _closure)
    foreach(_forbidden Qt6::Widgets Qt::Widgets Qt6::PrintSupport Qt::PrintSupport)
      if(_forbidden IN_LIST _closure)
        message(FATAL_ERROR "The core library ${_core} links ${_forbidden}: windows, dialogs "
                            "and printing belong to the GUI libraries under src/gui.")
      endif()
    endforeach()
  endforeach()
endfunction()

# The libraries under the command line's everyday path: Qt Core and Network only, so that Qt Gui
# is needed for drawing pages alone (src/core/print).
function(tb_check_no_gui)
  foreach(_lib ${ARGN})
    tb_link_closure(${_lib} _closure)
    foreach(_forbidden Qt6::Gui Qt::Gui)
      if(_forbidden IN_LIST _closure)
        message(FATAL_ERROR "The library ${_lib} links ${_forbidden}: only drawing pages "
                            "(src/core/print) may.")
      endif()
    endforeach()
  endforeach()
endfunction()
