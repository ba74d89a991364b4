# Compiler settings shared by every target of the project.

# Off by default, so that a newer compiler's new warnings do not stop a
# contributor's build; the project's scripts and CI turn it on.
option(VEXA_WERROR "Treat warnings as errors" OFF)
option(VEXA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VEXA_FUZZ "Build the libFuzzer targets (clang only)" OFF)
option(VEXA_TSAN "Build with ThreadSanitizer; only the threaded tests are built" OFF)
option(VEXA_SCALAR_LANES "Process with the scalar lane types even where SSE2 is available" OFF)
# Off for a packager's build: the modules and the tools then build without
# GoogleTest and Google Benchmark, and a Linux build fetches nothing.
option(VEXA_BUILD_TESTS "Build the tests, benchmarks and fuzz targets" ON)
# The packages' builds: the same sources give the same bytes wherever the
# tree lies. Paths the compiler records (file-name macros, debug records)
# are made relative to the tree, and the Windows linker writes no time.
option(VEXA_REPRODUCIBLE "Record no build paths or link times in the binaries" OFF)

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

# Exact floating point: no contraction into fused multiply-adds, no fast-math,
# and SSE2 arithmetic on 32-bit x86 instead of x87 extended precision.
add_compile_options(-ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86|i[3-6]86)$")
  add_compile_options(-msse2 -mfpmath=sse -mstackrealign)
endif()

# Which lane types the processing uses (plugin/Lanes.h decides the same way):
# SSE2 on x86 unless VEXA_SCALAR_LANES asks for the scalar ones, which every
# other processor uses. Native x86 builds also test the scalar ones.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|x86|i[3-6]86)$")
  set(VEXA_X86 ON)
else()
  set(VEXA_X86 OFF)
endif()
if(VEXA_SCALAR_LANES OR NOT VEXA_X86)
  set(VEXA_USES_SCALAR_LANES ON)
else()
  set(VEXA_USES_SCALAR_LANES OFF)
endif()
if(VEXA_X86 AND NOT VEXA_USES_SCALAR_LANES AND NOT WIN32 AND NOT VEXA_TSAN AND VEXA_BUILD_TESTS)
  set(VEXA_SCALAR_LANES_TEST ON)
else()
  set(VEXA_SCALAR_LANES_TEST OFF)
endif()
# GCC 12's basic-block vectorizer drops the rounding to single precision of
# two (double)(float) values stored together as one struct, which the scalar
# lanes do throughout; code on them is built without it.
set(VEXA_SCALAR_LANES_OPTIONS "")
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(VEXA_SCALAR_LANES_OPTIONS -fno-tree-slp-vectorize)
endif()

set(VEXA_WARNINGS -Wall -Wextra)
if(VEXA_WERROR)
  list(APPEND VEXA_WARNINGS -Werror)
endif()

if(VEXA_REPRODUCIBLE)
  # The more specific build root comes last: where both match, the last wins.
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=vexa -ffile-prefix-map=${VEXA_BUILD_ROOT}=vexa/build)
  if(WIN32)
    add_link_options(-Wl,--no-insert-timestamp)
  endif()
endif()

if(WIN32)
  # Everything static: the module must import Windows system DLLs only.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(VEXA_EXPORT_DEFINITION "__declspec(dllexport)")
else()
  set(VEXA_EXPORT_DEFINITION "__attribute__((visibility(\"default\")))")
endif()

if(VEXA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VEXA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(VEXA_FUZZ)
  # Coverage feedback for the fuzzers from all of the project's code.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Applies the project's warnings to one of its own targets.
function(vexa_warnings target)
  target_compile_options(${target} PRIVATE ${VEXA_WARNINGS})
endfunction()
