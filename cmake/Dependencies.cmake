# Locates libjpeg-turbo, jpegli (with highway), libheif (with libde265) and GoogleTest: Debian's packages
# natively, the cross-built copies under QV_WIN_DEPS (made by scripts/bootstrap) for the Windows build.
if(WIN32)
  if(DEFINED ENV{QV_CACHE})
    set(QV_WIN_DEPS "$ENV{QV_CACHE}/win64" CACHE PATH "Cross-built Windows dependencies")
  else()
    set(QV_WIN_DEPS "$ENV{HOME}/.cache/quorvix/win64" CACHE PATH "Cross-built Windows dependencies")
  endif()
  if(NOT EXISTS "${QV_WIN_DEPS}/lib/libjpeg.a")
    message(FATAL_ERROR "libjpeg-turbo for Windows not found in ${QV_WIN_DEPS}; run scripts/bootstrap")
  endif()
  add_library(qv::jpeg STATIC IMPORTED GLOBAL)
  set_target_properties(qv::jpeg PROPERTIES
    IMPORTED_LOCATION "${QV_WIN_DEPS}/lib/libjpeg.a"
    INTERFACE_INCLUDE_DIRECTORIES "${QV_WIN_DEPS}/include")
  if(QV_TESTS)
    add_library(qv::gtest STATIC IMPORTED GLOBAL)
    set_target_properties(qv::gtest PROPERTIES
      IMPORTED_LOCATION "${QV_WIN_DEPS}/lib/libgtest.a"
      INTERFACE_INCLUDE_DIRECTORIES "${QV_WIN_DEPS}/include")
  endif()
else()
  find_package(JPEG REQUIRED)
  add_library(qv::jpeg INTERFACE IMPORTED GLOBAL)
  target_link_libraries(qv::jpeg INTERFACE JPEG::JPEG)
  if(QV_TESTS)
    find_package(GTest REQUIRED)
    add_library(qv::gtest INTERFACE IMPORTED GLOBAL)
    target_link_libraries(qv::gtest INTERFACE GTest::gtest)
  endif()
endif()

# jpegli and highway, built from Debian's jpeg-xl and highway tarballs by scripts/build-jpegli (run by
# scripts/bootstrap): QV_CACHE/native for this machine, QV_WIN_DEPS for Windows.
if(WIN32)
  set(QV_JPEGLI_PREFIX "${QV_WIN_DEPS}")
  set(QV_JPEGLI_BUILD "scripts/build-jpegli win64")
else()
  if(DEFINED ENV{QV_CACHE})
    set(QV_NATIVE_DEPS "$ENV{QV_CACHE}/native" CACHE PATH "jpegli and highway built for this machine")
  else()
    set(QV_NATIVE_DEPS "$ENV{HOME}/.cache/quorvix/native" CACHE PATH "jpegli and highway built for this machine")
  endif()
  set(QV_JPEGLI_PREFIX "${QV_NATIVE_DEPS}")
  set(QV_JPEGLI_BUILD "scripts/build-jpegli native")
endif()
if(NOT EXISTS "${QV_JPEGLI_PREFIX}/lib/libjpegli-static.a" OR NOT EXISTS "${QV_JPEGLI_PREFIX}/lib/libhwy.a")
  message(FATAL_ERROR "jpegli not found in ${QV_JPEGLI_PREFIX}; run scripts/bootstrap (or ${QV_JPEGLI_BUILD})")
endif()
add_library(qv::hwy STATIC IMPORTED GLOBAL)
set_target_properties(qv::hwy PROPERTIES IMPORTED_LOCATION "${QV_JPEGLI_PREFIX}/lib/libhwy.a")
add_library(qv::jpegli STATIC IMPORTED GLOBAL)
set_target_properties(qv::jpegli PROPERTIES
  IMPORTED_LOCATION "${QV_JPEGLI_PREFIX}/lib/libjpegli-static.a"
  INTERFACE_INCLUDE_DIRECTORIES "${QV_JPEGLI_PREFIX}/include/jpegli"
  INTERFACE_LINK_LIBRARIES "qv::hwy;qv::jpeg")

# libheif and its HEVC decoder libde265: Debian's packages natively; the static copies of
# scripts/build-win-deps (libde265 built into libheif, no plugin loading) for Windows.
if(WIN32)
  if(NOT EXISTS "${QV_WIN_DEPS}/lib/libheif.a" OR NOT EXISTS "${QV_WIN_DEPS}/lib/libde265.a")
    message(FATAL_ERROR "libheif/libde265 for Windows not found in ${QV_WIN_DEPS}; run scripts/bootstrap")
  endif()
  add_library(qv::de265 STATIC IMPORTED GLOBAL)
  set_target_properties(qv::de265 PROPERTIES IMPORTED_LOCATION "${QV_WIN_DEPS}/lib/libde265.a")
  add_library(qv::heif STATIC IMPORTED GLOBAL)
  set_target_properties(qv::heif PROPERTIES
    IMPORTED_LOCATION "${QV_WIN_DEPS}/lib/libheif.a"
    INTERFACE_INCLUDE_DIRECTORIES "${QV_WIN_DEPS}/include"
    INTERFACE_COMPILE_DEFINITIONS "LIBHEIF_STATIC_BUILD;LIBDE265_STATIC_BUILD"
    INTERFACE_LINK_LIBRARIES qv::de265)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(HEIF REQUIRED IMPORTED_TARGET libheif)
  add_library(qv::heif INTERFACE IMPORTED GLOBAL)
  target_link_libraries(qv::heif INTERFACE PkgConfig::HEIF)
endif()
