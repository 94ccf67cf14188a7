# Builds the Debian package with cpack and checks it as a Debian maintainer would: two builds
# give the same bytes, exactly the expected files, the dependencies, lintian without errors or
# warnings, manual pages that man renders without a word, a valid desktop entry and metainfo
# of one id, hardened programs; then installs it into a scratch root with dpkg and runs the
# installed command line and its bash completion. Skips when a Debian tool is missing.
#
#   cmake -DCPACK=... -DBUILD_DIR=... -DOUT_DIR=... -DPLUGIN_DIR=... -DAPP_ID=...
#         -DRELEASE_EPOCH=... -DCLI=... -P CheckPackage.cmake

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${_rc}):\n${_out}\n${_err}")
  endif()
  set(output "${_out}" PARENT_SCOPE)
  set(errors "${_err}" PARENT_SCOPE)
endfunction()

foreach(_tool dpkg dpkg-deb dpkg-shlibdeps lintian hardening-check desktop-file-validate
              appstreamcli man bash cmp)
  find_program(_found_${_tool} ${_tool})
  if(NOT _found_${_tool})
    message(STATUS "package test skipped: ${_tool} is missing (scripts/install-deps.sh "
                   "installs it)")
    return()
  endif()
endforeach()

file(REMOVE_RECURSE ${OUT_DIR})

# Without SOURCE_DATE_EPOCH the package takes its changelog's date; with it, the date given.
# Both builds must agree to the byte.
run(${CMAKE_COMMAND} -E env --unset=SOURCE_DATE_EPOCH
    ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT_DIR}/first)
run(${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${RELEASE_EPOCH}
    ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT_DIR}/second)
file(GLOB _debs ${OUT_DIR}/first/tallowbrook_*.deb)
list(LENGTH _debs _count)
if(NOT _count EQUAL 1)
  message(FATAL_ERROR "expected one package, found: ${_debs}")
endif()
set(_deb ${_debs})
get_filename_component(_name ${_deb} NAME)
run(cmp ${_deb} ${OUT_DIR}/second/${_name})

run(dpkg-deb -f ${_deb} Version)
string(STRIP "${output}" _version)
string(REGEX REPLACE "-[^-]+$" "" _upstream "${_version}")

run(dpkg-deb -c ${_deb})
execute_process(COMMAND date -u -d @${RELEASE_EPOCH} "+%Y-%m-%d %H:%M" OUTPUT_VARIABLE _release
                OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REGEX MATCHALL "[0-9]+-[0-9]+-[0-9]+ [0-9]+:[0-9]+" _dates "${output}")
list(REMOVE_DUPLICATES _dates)
if(NOT _dates STREQUAL _release)
  message(FATAL_ERROR "the package's files are not dated ${_release}: ${_dates}")
endif()
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
    usr/${PLUGIN_DIR}/libtallowbrook-pages.so
    usr/share/applications/${APP_ID}.desktop
    usr/share/bash-completion/completions/tallowbrook-cli
    usr/share/doc/tallowbrook/changelog.Debian.gz
    usr/share/doc/tallowbrook/copyright
    usr/share/doc/tallowbrook/scheduled-backup.md
    usr/share/icons/hicolor/scalable/apps/tallowbrook.svg
    usr/share/lintian/overrides/tallowbrook
    usr/share/man/man1/tallowbrook-cli.1.gz
    usr/share/man/man1/tallowbrook.1.gz
    usr/share/metainfo/${APP_ID}.metainfo.xml)
foreach(_size 16 22 24 32 48 64 128 256)
  list(APPEND _expected usr/share/icons/hicolor/${_size}x${_size}/apps/tallowbrook.png)
endforeach()
list(SORT _expected)
if(NOT _files STREQUAL _expected)
  message(FATAL_ERROR "package files:\n  ${_files}\nexpected:\n  ${_expected}")
endif()

# The window's X11 plug-in comes with libqt6gui6; qt6-qpa-plugins holds none it uses.
run(dpkg-deb -f ${_deb} Depends Recommends)
foreach(_package libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 libqt6printsupport6
                 libsqlite3-0 fonts-noto-color-emoji qt6-wayland)
  if(NOT output MATCHES "(^|, | )${_package}( |,|\n|$)")
    message(FATAL_ERROR "Depends or Recommends lack ${_package}: ${output}")
  endif()
endforeach()
if(output MATCHES "qt6-qpa-plugins")
  message(FATAL_ERROR "the package depends on qt6-qpa-plugins: ${output}")
endif()

# Errors and warnings fail; the remaining informational tags are shown.
run(lintian --fail-on error,warning --display-info ${_deb})
message(STATUS "lintian:\n${output}")

# Installed as apt would, into a root of its own with a fresh database; the Qt libraries are
# this machine's, so their packages are not asked for. Not as root, dpkg needs fakeroot to
# give the files their owner.
set(_root ${OUT_DIR}/root)
file(MAKE_DIRECTORY ${_root}/var/lib/dpkg/info ${_root}/var/lib/dpkg/updates ${_root}/var/log)
file(TOUCH ${_root}/var/lib/dpkg/status ${_root}/var/lib/dpkg/available)
execute_process(COMMAND id -u OUTPUT_VARIABLE _uid OUTPUT_STRIP_TRAILING_WHITESPACE)
set(_as_root "")
if(NOT _uid STREQUAL "0")
  find_program(_fakeroot fakeroot)
  if(NOT _fakeroot)
    message(STATUS "package test skipped: fakeroot is missing (scripts/install-deps.sh "
                   "installs it)")
    return()
  endif()
  set(_as_root ${_fakeroot})
endif()
run(${_as_root} dpkg --root=${_root} --admindir=${_root}/var/lib/dpkg --force-depends
    --force-not-root --install ${_deb})
run(dpkg --root=${_root} --admindir=${_root}/var/lib/dpkg --status tallowbrook)
if(NOT output MATCHES "Status: install ok installed")
  message(FATAL_ERROR "the package is not installed:\n${output}")
endif()

set(_home ${OUT_DIR}/home)
set(_accounts "${_home}/Application Data/Quillmarten/Fernhollow")
file(MAKE_DIRECTORY "${_accounts}")
run(${CMAKE_COMMAND} -E env HOME=${_home} LD_LIBRARY_PATH=${_root}/usr/${PLUGIN_DIR}/..
    ${_root}/usr/bin/tallowbrook-cli --version)
if(NOT output MATCHES "${_upstream}")
  message(FATAL_ERROR "the installed tallowbrook-cli --version does not say ${_upstream}:\n"
                      "${output}")
endif()
# The installed command line finds its page drawing in its private folder.
file(MAKE_DIRECTORY ${OUT_DIR}/pages-home)
run(${CMAKE_COMMAND} -E env HOME=${OUT_DIR}/pages-home ${_root}/usr/bin/tallowbrook-cli
    accounts create pages)
run(${CMAKE_COMMAND} -E env HOME=${OUT_DIR}/pages-home ${_root}/usr/bin/tallowbrook-cli export
    ${OUT_DIR}/pages.pdf --account pages)
file(READ ${OUT_DIR}/pages.pdf _pdf LIMIT 4 HEX)
if(NOT _pdf STREQUAL "25504446") # "%PDF"
  message(FATAL_ERROR "the installed tallowbrook-cli writes no PDF")
endif()

# Every page renders without a word from man, with the version in its footer.
foreach(_page tallowbrook tallowbrook-cli)
  run(${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80 MANPAGER=cat
      man --warnings -E UTF-8 -l ${_root}/usr/share/man/man1/${_page}.1.gz)
  if(NOT errors STREQUAL "")
    message(FATAL_ERROR "man warns about ${_page}(1):\n${errors}")
  endif()
  string(REGEX REPLACE "[ \n]+" " " _text "${output}")
  if(NOT _text MATCHES "Tallowbrook ${_upstream}")
    message(FATAL_ERROR "${_page}(1) has no version in its footer:\n${output}")
  endif()
  set(_${_page}_text "${_text}")
endforeach()
if(NOT _tallowbrook-cli_text MATCHES "ending in .xml is read")
  message(FATAL_ERROR "tallowbrook-cli(1) loses the sentence on XML files")
endif()

run(desktop-file-validate ${_root}/usr/share/applications/${APP_ID}.desktop)
if(NOT output STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate:\n${output}")
endif()
set(_metainfo ${_root}/usr/share/metainfo/${APP_ID}.metainfo.xml)
run(appstreamcli validate --no-net ${_metainfo})
file(READ ${_metainfo} _xml)
if(NOT _xml MATCHES "<id>${APP_ID}</id>"
   OR NOT _xml MATCHES "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>"
   OR NOT _xml MATCHES "<release version=\"${_upstream}\"")
  message(FATAL_ERROR "the metainfo's id, launchable or release do not match the package")
endif()

# Stack protector, read-only relocations bound at start, PIE: Debian 12's set. The checked
# functions cannot be seen here: the programs call only memcpy and strlen with sizes the
# compiler cannot know, which stay unchecked (lintian says so as information only).
run(hardening-check --nofortify --nocfprotection ${_root}/usr/bin/tallowbrook
    ${_root}/usr/bin/tallowbrook-cli ${_root}/usr/${PLUGIN_DIR}/libcsvimporter.so
    ${_root}/usr/${PLUGIN_DIR}/libtallowbrook-pages.so)

# The completion offers the commands, the accounts of the data folder and the options.
file(TOUCH "${_accounts}/family.db" "${_accounts}/my phone.db")
file(WRITE ${OUT_DIR}/lines "tallowbrook-cli ba\ntallowbrook-cli backup --account ''\n"
                            "tallowbrook-cli import x.csv --f\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E env HOME=${_home} PATH=${_root}/usr/bin:$ENV{PATH}
                bash ${CMAKE_CURRENT_LIST_DIR}/complete.sh
                ${_root}/usr/share/bash-completion/completions/tallowbrook-cli
                INPUT_FILE ${OUT_DIR}/lines OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT output STREQUAL "backup|\nfamily|my phone|\n--format|\n" OR NOT errors STREQUAL "")
  message(FATAL_ERROR "bash completion:\n${output}${errors}")
endif()

run(ldd ${CLI})
if(output MATCHES "Qt6Widgets|Qt6PrintSupport")
  message(FATAL_ERROR "tallowbrook-cli links Widgets or PrintSupport:\n${output}")
endif()
message(STATUS "package ${_deb} checked")
