# Builds the Debian package with cpack into a folder of its own and checks it: exactly the
# expected files, the plug-in in the program's private folder, the Qt and SQLite packages
# among the dependencies, valid AppStream metainfo, and a command line that links neither
# Qt Widgets nor Qt PrintSupport.
#
#   cmake -DCPACK=... -DBUILD_DIR=... -DOUT_DIR=... -DPLUGIN_DIR=... -DSOURCE_DIR=...
#         -DCLI=... -P CheckPackage.cmake

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${_rc}):\n${_out}\n${_err}")
  endif()
  set(output "${_out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${OUT_DIR})
run(${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT_DIR})
file(GLOB _debs ${OUT_DIR}/tallowbrook_*.deb)
list(LENGTH _debs _count)
if(NOT _count EQUAL 1)
  message(FATAL_ERROR "expected one package, found: ${_debs}")
endif()

run(dpkg-deb -c ${_debs})
string(REGEX MATCHALL "\n-[^\n]* \\./([^\n]+)" _lines "\n${output}")
set(_files "")
foreach(_line ${_lines})
  string(REGEX REPLACE ".* \\./" "" _file "${_line}")
  list(APPEND _files ${_file})
endforeach()
list(SORT _files)
set(_expected
    usr/bin/tallowbrook
    usr/bin/tallowbrook-cli
    usr/lib/systemd/user/tallowbrook-backup.service
    usr/lib/systemd/user/tallowbrook-backup.timer
    usr/${PLUGIN_DIR}/libcsvimporter.so
    usr/share/applications/tallowbrook.desktop
    usr/share/doc/tallowbrook/scheduled-backup.md
    usr/share/icons/hicolor/256x256/apps/tallowbrook.png
    usr/share/man/man1/tallowbrook-cli.1.gz
    usr/share/metainfo/org.example.tallowbrook.metainfo.xml)
list(SORT _expected)
if(NOT _files STREQUAL _expected)
  message(FATAL_ERROR "package files:\n  ${_files}\nexpected:\n  ${_expected}")
endif()

run(dpkg-deb -f ${_debs} Depends)
foreach(_package libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 libqt6printsupport6
                 libsqlite3-0 qt6-qpa-plugins)
  if(NOT output MATCHES "(^|, )${_package}( |,|\n|$)")
    message(FATAL_ERROR "Depends lacks ${_package}: ${output}")
  endif()
endforeach()

run(appstreamcli validate --no-net ${SOURCE_DIR}/packaging/org.example.tallowbrook.metainfo.xml)

run(ldd ${CLI})
if(output MATCHES "Qt6Widgets|Qt6PrintSupport")
  message(FATAL_ERROR "tallowbrook-cli links Widgets or PrintSupport:\n${output}")
endif()
message(STATUS "package ${_debs} checked")
