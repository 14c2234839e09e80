# Debian's usual hardening for every executable and test, as dpkg-buildflags
# gives it with DEB_BUILD_MAINT_OPTIONS=hardening=+all: fortified C library
# calls, stack protector, format checks, read-only relocations bound at start
# (relro, now), position-independent executables. Every build gets it, so
# that the package the tests check is the package users get. Fortify needs
# the optimiser (the build types that have it) and stays out of the
# sanitizer builds.
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
target_compile_options(tintoko_common INTERFACE
  -fstack-protector-strong -Wformat -Werror=format-security)
if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize|_FORTIFY_SOURCE")
  target_compile_definitions(tintoko_common INTERFACE
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
target_link_options(tintoko_common INTERFACE LINKER:-z,relro LINKER:-z,now)
