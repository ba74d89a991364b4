#!/usr/bin/env bash
# A packager's Linux build: configured with -DVEXA_BUILD_TESTS=OFF while
# GoogleTest and Google Benchmark cannot be found and any download would
# fail, it configures without fetching a dependency source and builds the
# module and vexa-host, and no test program. Without libsndfile as well it
# still configures, leaving out the host. Builds in a scratch folder: a few
# minutes on two cores.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"

# Stand-ins for the download tools that record any call and fail, as they
# would offline.
mkdir -p "$work/bin"
for tool in apt-get dpkg-source; do
  printf '#!/bin/sh\necho "%s $*" >> "%s"\nexit 100\n' "$tool" "$work/downloads.log" > "$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done
export PATH=$work/bin:$PATH

configure() { # BUILD_ROOT EXTRA_ARGS...
  local build=$1/linux
  shift
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_WERROR=ON \
    -DVEXA_BUILD_TESTS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON "$@" > "$build.configure.log" 2>&1
}
mkdir -p "$work/pkg" "$work/nosnd"

check "configures without tests, GoogleTest or Google Benchmark" configure "$work/pkg"
check "without calling a download tool" test ! -s "$work/downloads.log"
check "without a dependency source folder" test ! -e "$work/pkg/deps-src"
# CMake names a disabling variable that no lookup read.
unread() { grep -A4 "not used by the project" "$work/pkg/linux.configure.log" | grep -q "$1"; }
check "and without looking for GoogleTest" unread CMAKE_DISABLE_FIND_PACKAGE_GTest
check "or Google Benchmark" unread CMAKE_DISABLE_FIND_PACKAGE_benchmark
built() { cmake --build "$work/pkg/linux" > "$work/pkg/build.log" 2>&1; }
check "builds" built
check "the module" test -f "$work/pkg/linux/plugin/Vexa.so"
check "vexa-host" test -x "$work/pkg/linux/tools/vexa-host"
no_tests() { [ -z "$(find "$work/pkg/linux" -name '*_test' -type f -print -quit)" ]; }
check "no test program" no_tests
no_ctest() { ctest --test-dir "$work/pkg/linux" -N | grep -qx "Total Tests: 0"; }
check "and no test entry" no_ctest
host_runs() { "$work/pkg/linux/tools/vexa-host" info "$work/pkg/linux/plugin/Vexa.so" > "$work/pkg/info.log" 2>&1; }
check "the host loads the module" host_runs

# pkg-config finds no library at all, so libsndfile is missing.
mkdir -p "$work/empty-pc"
no_sndfile() { PKG_CONFIG_LIBDIR=$work/empty-pc PKG_CONFIG_PATH= configure "$work/nosnd"; }
check "configures without libsndfile" no_sndfile
check "says the host is left out" grep -q "libsndfile not found" "$work/nosnd/linux.configure.log"
check "still builds the module" grep -q "plugin/Vexa.so:" "$work/nosnd/linux/build.ninja"
check "but not the host" eval '! grep -q "tools/vexa-host:" "$work/nosnd/linux/build.ninja"'

if [ $failures -ne 0 ]; then
  for log in "$work"/*/linux.configure.log "$work"/pkg/build.log "$work"/pkg/info.log "$work/downloads.log"; do
    [ -f "$log" ] && { echo "== $log"; tail -n 30 "$log"; }
  done
fi
echo "build options: $failures failed"
[ $failures -eq 0 ]
