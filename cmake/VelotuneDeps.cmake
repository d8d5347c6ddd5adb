# The libraries Velotune builds on, all from Debian's -dev packages (scripts/deps installs them).
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets DBus Network Test)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(SQLCIPHER REQUIRED IMPORTED_TARGET sqlcipher)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswresample)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)

if(VELOTUNE_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(VELOTUNE_BUILD_BENCH AND NOT VELOTUNE_SANITIZE)
  find_package(benchmark REQUIRED)
endif()
