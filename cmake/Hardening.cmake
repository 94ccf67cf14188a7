# The hardening flags Debian builds its packages with (dpkg-buildflags with hardening=+all):
# stack protector, checked string and memory functions, read-only relocations bound at start,
# position-independent executables. On by default, so the package and the tests run the same
# code; the checked functions need an optimising build, so a Debug build goes without them.
option(TB_HARDENING "Build with Debian's hardening flags" ON)

if(TB_HARDENING AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security
      "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
