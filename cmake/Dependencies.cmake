# Third-party libraries. Natively they come from Debian's packages; the
# Windows builds compile zlib, libpng and libsamplerate (the host tool's
# resampling) from Debian's source packages and GoogleTest from the sources
# Debian installs under /usr/src/googletest.
# The tests of every build also read libpng's conformance and hostile test
# images, which come from its source package (they are not ours to commit).
# So the Windows builds fetch zlib, libpng and libsamplerate (and Google
# Benchmark for their benchmarks), a Linux build with tests fetches libpng
# alone, and a Linux build without tests fetches nothing: it configures
# offline once the Debian packages are installed.
set(VEXA_DEPS_PACKAGES "")
if(WIN32)
  list(APPEND VEXA_DEPS_PACKAGES zlib libpng1.6 libsamplerate)
  if(VEXA_BUILD_TESTS)
    list(APPEND VEXA_DEPS_PACKAGES benchmark)
  endif()
elseif(VEXA_BUILD_TESTS)
  list(APPEND VEXA_DEPS_PACKAGES libpng1.6)
endif()

# The script returns at once when the pinned versions are unpacked; a
# changed lock file reconfigures and so fetches the versions it names.
set(VEXA_DEPS_SRC ${VEXA_BUILD_ROOT}/deps-src)
set(VEXA_DEPS_LOCK ${CMAKE_SOURCE_DIR}/cmake/deps.lock)
if(VEXA_DEPS_PACKAGES)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEXA_DEPS_LOCK})
  execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/fetch-deps.sh ${VEXA_DEPS_SRC} ${VEXA_DEPS_PACKAGES}
                  RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "could not obtain the dependency sources pinned in ${VEXA_DEPS_LOCK}")
  endif()
endif()
set(VEXA_LIBPNG_TEST_IMAGES ${VEXA_DEPS_SRC}/libpng/contrib)

if(WIN32)
  set(ZSRC ${VEXA_DEPS_SRC}/zlib)
  add_library(vexa_zlib STATIC
    ${ZSRC}/adler32.c ${ZSRC}/compress.c ${ZSRC}/crc32.c ${ZSRC}/deflate.c
    ${ZSRC}/gzclose.c ${ZSRC}/gzlib.c ${ZSRC}/gzread.c ${ZSRC}/gzwrite.c
    ${ZSRC}/infback.c ${ZSRC}/inffast.c ${ZSRC}/inflate.c ${ZSRC}/inftrees.c
    ${ZSRC}/trees.c ${ZSRC}/uncompr.c ${ZSRC}/zutil.c)
  target_include_directories(vexa_zlib SYSTEM PUBLIC ${ZSRC})
  target_compile_options(vexa_zlib PRIVATE -w -O2)
  add_library(ZLIB::ZLIB ALIAS vexa_zlib)

  set(PSRC ${VEXA_DEPS_SRC}/libpng)
  set(PCONF ${CMAKE_BINARY_DIR}/deps/libpng)
  configure_file(${PSRC}/scripts/pnglibconf.h.prebuilt ${PCONF}/pnglibconf.h COPYONLY)
  add_library(vexa_png STATIC
    ${PSRC}/png.c ${PSRC}/pngerror.c ${PSRC}/pngget.c ${PSRC}/pngmem.c
    ${PSRC}/pngpread.c ${PSRC}/pngread.c ${PSRC}/pngrio.c ${PSRC}/pngrtran.c
    ${PSRC}/pngrutil.c ${PSRC}/pngset.c ${PSRC}/pngtrans.c ${PSRC}/pngwio.c
    ${PSRC}/pngwrite.c ${PSRC}/pngwtran.c ${PSRC}/pngwutil.c)
  target_include_directories(vexa_png SYSTEM PUBLIC ${PSRC} ${PCONF})
  target_compile_options(vexa_png PRIVATE -w -O2)
  target_link_libraries(vexa_png PUBLIC vexa_zlib)
  add_library(PNG::PNG ALIAS vexa_png)

  # libsamplerate with its three sinc converters, as Debian builds it.
  set(SRSRC ${VEXA_DEPS_SRC}/libsamplerate)
  add_library(vexa_samplerate STATIC
    ${SRSRC}/src/samplerate.c ${SRSRC}/src/src_linear.c ${SRSRC}/src/src_sinc.c ${SRSRC}/src/src_zoh.c)
  target_include_directories(vexa_samplerate SYSTEM PUBLIC ${SRSRC}/include)
  target_compile_definitions(vexa_samplerate PRIVATE HAVE_STDBOOL_H=1 ENABLE_SINC_BEST_CONVERTER
                             ENABLE_SINC_MEDIUM_CONVERTER ENABLE_SINC_FAST_CONVERTER
                             PACKAGE="libsamplerate" VERSION="0.2.2")
  target_compile_options(vexa_samplerate PRIVATE -w -O2)
  add_library(SampleRate::SampleRate ALIAS vexa_samplerate)

  # GoogleTest, and Google Benchmark for the benchmarks that run under Wine.
  if(VEXA_BUILD_TESTS)
    set(GTSRC /usr/src/googletest/googletest)
    add_library(vexa_gtest STATIC ${GTSRC}/src/gtest-all.cc)
    target_include_directories(vexa_gtest SYSTEM PUBLIC ${GTSRC}/include PRIVATE ${GTSRC})
    target_compile_options(vexa_gtest PRIVATE -w)
    add_library(vexa_gtest_main STATIC ${GTSRC}/src/gtest_main.cc)
    target_link_libraries(vexa_gtest_main PUBLIC vexa_gtest)
    target_compile_options(vexa_gtest_main PRIVATE -w)
    add_library(GTest::gtest ALIAS vexa_gtest)
    add_library(GTest::gtest_main ALIAS vexa_gtest_main)

    set(BMSRC ${VEXA_DEPS_SRC}/benchmark)
    file(GLOB BM_SOURCES ${BMSRC}/src/*.cc)
    list(FILTER BM_SOURCES EXCLUDE REGEX "benchmark_main\\.cc$")
    add_library(vexa_benchmark STATIC ${BM_SOURCES})
    target_include_directories(vexa_benchmark SYSTEM PUBLIC ${BMSRC}/include)
    target_compile_definitions(vexa_benchmark PUBLIC BENCHMARK_STATIC_DEFINE PRIVATE HAVE_STD_REGEX)
    target_compile_options(vexa_benchmark PRIVATE -w -O2)
    target_link_libraries(vexa_benchmark PUBLIC shlwapi)
    add_library(benchmark::benchmark ALIAS vexa_benchmark)
    set(benchmark_FOUND TRUE)
  endif()
else()
  find_package(PNG REQUIRED)
  find_package(ZLIB REQUIRED)
  find_package(Freetype REQUIRED)
  # The editor window and the host tool's snapshot; XTest drives the editor's
  # input in the tests.
  find_package(X11 REQUIRED)
  find_package(PkgConfig REQUIRED)
  if(VEXA_BUILD_TESTS)
    find_package(GTest REQUIRED)
    # The tests drive vexa-host, which reads audio files through libsndfile
    # and resamples through libsamplerate.
    pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
    pkg_check_modules(SAMPLERATE REQUIRED IMPORTED_TARGET samplerate)
    find_package(benchmark QUIET)
  else()
    pkg_check_modules(SNDFILE IMPORTED_TARGET sndfile)
    pkg_check_modules(SAMPLERATE IMPORTED_TARGET samplerate)
  endif()
  if(TARGET PkgConfig::SAMPLERATE)
    add_library(SampleRate::SampleRate ALIAS PkgConfig::SAMPLERATE)
  endif()
  # The LV2 edition builds on Debian's LV2 headers and the host tool loads
  # LV2 bundles through lilv; the tests need both, other builds use what
  # they find.
  if(VEXA_BUILD_TESTS)
    pkg_check_modules(LV2 REQUIRED IMPORTED_TARGET lv2)
    pkg_check_modules(LILV REQUIRED IMPORTED_TARGET lilv-0)
  else()
    pkg_check_modules(LV2 IMPORTED_TARGET lv2)
    pkg_check_modules(LILV IMPORTED_TARGET lilv-0)
  endif()
endif()
