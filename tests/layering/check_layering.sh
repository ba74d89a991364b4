#!/usr/bin/env bash
# Checks which folder's code includes which: layers only look down, each host
# adapter stands alone, and platform code stays in its platform folders.
# Prints every violation as FILE:LINE: WHAT and fails if there is any.
# Usage: check_layering.sh SOURCE_ROOT
#
# Every file of the tree belongs to a layer, named by its folder:
#   base                  nothing of ours
#   core, raster          base
#   plugin/ processing    other processing files only (every plugin/ file
#                         not named Vexa*, and its subfolders)
#   plugin/Vexa*          the effect class and its editor: base, the core,
#                         the editor framework, the processing, and its host
#                         adapter only through the folderless "PlugAdapter.h"
#                         that each build finds in vst/effect/, vst3/effect/
#                         or lv2/effect/
#   plugin/ entry points  what the effect may, plus their own adapter folder:
#                         VexaMain* and names with Vst (not Vst3) reach vst/,
#                         names with Vst3 reach vst3/, with Lv2 reach lv2/
#   graphics              raster, the core (the editor link and the plug-in
#                         base it drives), base
#   graphics/win, x11     the editor framework and below
#   vst, vst3, lv2        base, the core, the editor framework and their own
#                         folder; never another adapter, the effect or tools
#   tools                 everything but adapter internals: of an adapter it
#                         sees the host-interface declarations (*Defs.h at
#                         the adapter's top level) only
#   tests, bench, fuzz    any layer
# A file in a folder without a rule is a violation: a new folder needs one.
#
# Includes are resolved as the compiler does before a rule applies: "./" and
# "../" against the including file's folder; any quoted include first in the
# including file's folder, then from the source root (a quoted path in a
# layer's folder that is not in the tree, such as a generated header, is
# judged by its folder); a folderless one not found beside its includer in
# the adapters' effect folders, else wherever a file of that name lives
# outside tests, bench and fuzz. An angle-bracket include is ours when it
# names a file of the tree, else a library's (<lv2/core/lv2.h>).
#
# A folderless include that only the includer folder's own win/ and posix/
# (or x11/) folders hold is a platform seam: each build's include path picks
# its platform's header, as the adapters' effect folders pick the adapter.
#
# Platform code (everywhere, tests included): platform headers, platform
# #if conditions and computed includes only in win/, posix/, x11/ (and mac/)
# folders, each platform's headers in its own kind of folder (POSIX headers
# also in x11/ and mac/), and a platform folder's headers only from a folder
# of the same platform. The base, the core, the raster library and the
# effect's processing keep processor intrinsics in x86/ and arm64/ folders.
set -uo pipefail
set -f
root=${1:?usage: check_layering.sh SOURCE_ROOT}
cd "$root" || exit 2

adapters=(vst vst3 lv2)
layer_folders=(base core raster plugin graphics vst vst3 lv2 tools tests bench fuzz)

# Platform headers by the folder kind they belong in; matched against the
# include's text in lower case.
windows_headers='windows.h|win[a-z0-9]*.h|shlobj.h|shlwapi.h|shellapi.h|shobjidl.h|commdlg.h|commctrl.h|
  psapi.h|dbghelp.h|tlhelp32.h|objbase.h|objidl.h|ole2.h|oleauto.h|olectl.h|unknwn.h|io.h|process.h|
  direct.h|conio.h|tchar.h|mmsystem.h|mmreg.h|dwmapi.h|uxtheme.h|richedit.h|imm.h|crtdbg.h|excpt.h|
  ws2tcpip.h|gdiplus.h|versionhelpers.h|sdkddkver.h|d2d1*.h|d3d*.h|dxgi*.h|dsound.h|mmdeviceapi.h|
  audioclient.h|ksmedia.h|ntstatus.h|fileapi.h|synchapi.h|processthreadsapi.h|libloaderapi.h|
  memoryapi.h|handleapi.h|errhandlingapi.h|sysinfoapi.h|debugapi.h|heapapi.h|userenv.h|lmcons.h'
posix_headers='unistd.h|pthread.h|dlfcn.h|fcntl.h|dirent.h|poll.h|termios.h|sched.h|semaphore.h|
  spawn.h|syslog.h|pwd.h|grp.h|strings.h|libgen.h|glob.h|fnmatch.h|wordexp.h|utime.h|utmp.h|utmpx.h|
  alloca.h|execinfo.h|link.h|elf.h|ucontext.h|endian.h|byteswap.h|features.h|err.h|getopt.h|
  ifaddrs.h|netdb.h|aio.h|mqueue.h|ftw.h|langinfo.h|nl_types.h|regex.h|iconv.h|mntent.h|paths.h|
  sysexits.h|sys/*|linux/*|asm/*|bits/*|netinet/*|arpa/*|net/*|gnu/*'
x11_headers='x11/*|xcb/*|xkbcommon/*|gl/glx*.h'
mac_headers='corefoundation/*|carbon/*|cocoa/*|appkit/*|foundation/*|mach/*|mach-o/*|audiounit/*|
  coreaudio/*|audiotoolbox/*|objc/*|libkern/*|iokit/*|applicationservices/*|targetconditionals.h'
# Non-standard headers that more than one platform has.
shared_platform_headers='malloc.h'
x86_headers='*intrin.h|cpuid.h'
arm64_headers='arm_neon.h|arm_acle.h'
# Macros whose test in an #if selects a platform.
platform_macros='_WIN32 _WIN64 WIN32 _WINDOWS __WINDOWS__ _WIN32_WINNT WINVER WINAPI_FAMILY
  __CYGWIN__ __MINGW32__ __MINGW64__ _MSC_VER __linux__ __linux linux __gnu_linux__ __GLIBC__
  __unix__ __unix unix _POSIX_VERSION __APPLE__ __MACH__ TARGET_OS_MAC TARGET_OS_IPHONE
  __FreeBSD__ __NetBSD__ __OpenBSD__ __DragonFly__ __sun __HAIKU__ __ANDROID__ __EMSCRIPTEN__'

violations=0
report() { # WHERE WHAT
  echo "$1: $2"
  violations=$((violations + 1))
}

# Build trees (build/ and any other folder holding a CMakeCache.txt) hold
# generated code, not the project's.
prune=(-path ./build -o -path './.*')
while IFS= read -r cache; do
  prune+=(-o -path "${cache%/CMakeCache.txt}")
done < <(find . \( -path ./build -o -path './.*' \) -prune -o -name CMakeCache.txt -print)
mapfile -t files < <(find . \( "${prune[@]}" \) -prune -o -type f \
  \( -name '*.h' -o -name '*.hh' -o -name '*.hpp' -o -name '*.c' -o -name '*.cc' -o -name '*.cpp' \
     -o -name '*.cxx' -o -name '*.inc' -o -name '*.ipp' -o -name '*.m' -o -name '*.mm' \) -print \
  | sed 's|^\./||' | sort)
declare -A in_tree=() by_name=() is_layer_folder=() top_folders=()
for f in "${files[@]}"; do
  in_tree[$f]=1
  by_name[${f##*/}]+="$f "
  [[ $f == */* ]] && top_folders[${f%%/*}]=1
done
for f in "${layer_folders[@]}"; do is_layer_folder[$f]=1; done

# matches TEXT PATTERNS: whether TEXT matches one of the |-separated glob
# PATTERNS (whitespace in PATTERNS is ignored).
matches() {
  local IFS='|' pattern
  for pattern in ${2//[[:space:]]/}; do
    # shellcheck disable=SC2053
    [[ $1 == $pattern ]] && return 0
  done
  return 1
}

# layer_of PATH: sets LAYER to the layer PATH belongs to, or to "none".
layer_of() {
  local path=$1 name=${1##*/} top=${1%%/*}
  case $path in
    plugin/*/*) LAYER=processing ;;
    plugin/*)
      case $name in
        *Vst3*) LAYER=entry.vst3 ;;
        *Lv2*) LAYER=entry.lv2 ;;
        *Vst* | VexaMain*) LAYER=entry.vst ;;
        Vexa*) LAYER=effect ;;
        *) LAYER=processing ;;
      esac
      ;;
    graphics/win/*) LAYER=graphics.win ;;
    graphics/x11/*) LAYER=graphics.x11 ;;
    vst/effect/* | vst3/effect/* | lv2/effect/*) LAYER=$top.effect ;;
    vst/*Defs.h | vst3/*Defs.h | lv2/*Defs.h)
      if [[ $path == */*/* ]]; then LAYER=$top; else LAYER=$top.defs; fi ;;
    */*) if [[ -n ${is_layer_folder[$top]:-} ]]; then LAYER=$top; else LAYER=none; fi ;;
    *) LAYER=none ;;
  esac
}

# A layer's name in a report.
describe() {
  case $1 in
    processing) echo "the effect's signal processing" ;;
    effect) echo "the effect class" ;;
    entry.*) echo "the ${1#entry.}/ entry point" ;;
    graphics) echo "the editor framework" ;;
    graphics.*) echo "the ${1#graphics.} window layer" ;;
    *.effect) echo "the ${1%.effect}/ adapter's effect folder" ;;
    *.defs) echo "the ${1%.defs}/ host-interface declarations" ;;
    vst | vst3 | lv2) echo "the $1/ adapter" ;;
    *) echo "$1" ;;
  esac
}

in_list() { # WORD LIST...
  local word=$1 item
  shift
  for item in "$@"; do [[ $item == "$word" ]] && return 0; done
  return 1
}

# may FROM TO: whether code of layer FROM may include code of layer TO; sets
# RULE to FROM's rule when not.
may() {
  local from=$1 to=$2 own
  [[ $from == "$to" ]] && return 0
  case $from in tests | bench | fuzz) return 0 ;; esac
  case $to in tests | bench | fuzz)
    RULE="only tests, benchmarks and fuzzers include test code"
    return 1 ;;
  esac
  case $from in
    base) RULE="base depends on nothing"; return 1 ;;
    core) RULE="the core sits on base only"; [[ $to == base ]] ;;
    raster) RULE="raster sits on base only"; [[ $to == base ]] ;;
    processing)
      RULE="signal processing links without the core, the adapter, editor code or the effect class"
      return 1 ;;
    effect)
      RULE="the effect sits on the core, base and the editor framework, and reaches its adapter only through \"PlugAdapter.h\""
      in_list "$to" base core graphics processing vst.effect vst3.effect lv2.effect ;;
    entry.*)
      own=${from#entry.}
      RULE="an entry point reaches the effect and its own adapter, $own/, only"
      in_list "$to" base core graphics processing effect "$own" "$own.effect" "$own.defs" ;;
    graphics) RULE="the editor framework sits on raster, the core and base"; in_list "$to" base raster core ;;
    graphics.*)
      RULE="a window layer sits on the editor framework and below"
      in_list "$to" base raster core graphics ;;
    vst | vst3 | lv2 | *.effect | *.defs)
      own=${from%%.*}
      RULE="an adapter uses base, the core, the editor framework and its own folder; never another adapter, the effect or the tools"
      in_list "$to" base core graphics graphics.win graphics.x11 "$own" "$own.effect" "$own.defs" ;;
    tools)
      RULE="the host sees of an adapter only its host-interface declarations"
      in_list "$to" base core raster graphics graphics.win graphics.x11 processing effect \
        vst.defs vst3.defs lv2.defs ;;
    *) RULE="no layering rule covers this folder"; return 1 ;;
  esac
}

# normalize PATH: sets NORM to PATH without "." and ".." parts; fails when it
# leaves the source root.
normalize() {
  local IFS=/ part
  local -a kept=()
  for part in $1; do
    case $part in
      '' | .) ;;
      ..) ((${#kept[@]})) || return 1; unset 'kept[-1]' ;;
      *) kept+=("$part") ;;
    esac
  done
  NORM="${kept[*]}"
}

# resolve FILE KIND INCLUDE: sets TARGETS to the tree paths a quoted (q) or
# angle-bracket (a) include may reach (none for a library's header), and
# SEAM when they are a platform seam; fails when it leaves the source root.
resolve() {
  local file=$1 kind=$2 include=$3 dir=. adapter path
  [[ $file == */* ]] && dir=${file%/*}
  TARGETS=()
  SEAM=
  if [[ $kind == a ]]; then
    normalize "$include" && [[ -n ${in_tree[$NORM]:-} ]] && TARGETS=("$NORM")
    return 0
  fi
  case $include in
    ./* | ../*)
      normalize "$dir/$include" || return 1
      TARGETS=("$NORM")
      return 0 ;;
  esac
  if normalize "$dir/$include" && [[ -n ${in_tree[$NORM]:-} ]]; then
    TARGETS=("$NORM")
    return 0
  fi
  if [[ $include == */* ]]; then
    normalize "$include" || return 1
    TARGETS=("$NORM")
    return 0
  fi
  for adapter in "${adapters[@]}"; do
    [[ -n ${in_tree[$adapter/effect/$include]:-} ]] && TARGETS+=("$adapter/effect/$include")
  done
  ((${#TARGETS[@]})) && return 0
  for path in ${by_name[$include]:-}; do
    case $path in tests/* | bench/* | fuzz/*) ;; *) TARGETS+=("$path") ;; esac
  done
  platform_seam "$dir" "$include" && SEAM=1
  return 0
}

# platform_seam DIR NAME: whether the TARGETS a folderless include of NAME
# from DIR reaches are DIR's own platform folders' headers of that name, for
# Windows and for Linux: a seam where each build's include path picks its
# platform's header.
platform_seam() {
  local dir=$1 name=$2 target windows=0 linux=0
  ((${#TARGETS[@]})) || return 1
  for target in "${TARGETS[@]}"; do
    case $target in
      "$dir/win/$name") windows=1 ;;
      "$dir/posix/$name" | "$dir/x11/$name") linux=1 ;;
      "$dir/mac/$name") ;;
      *) return 1 ;;
    esac
  done
  ((windows && linux))
}

# platform_of PATH: sets PLATFORM to the platform folder PATH is in, if any.
platform_of() {
  PLATFORM=
  case /$1 in
    */win/*) PLATFORM=win ;;
    */posix/*) PLATFORM=posix ;;
    */x11/*) PLATFORM=x11 ;;
    */mac/*) PLATFORM=mac ;;
  esac
}

# platform_fits FILE KIND: whether FILE sits in a folder for KIND's code
# (a platform, "posix" code also in x11/ and mac/, "any" in every one).
platform_fits() {
  platform_of "$1"
  case $2 in
    any) [[ -n $PLATFORM ]] ;;
    posix) in_list "$PLATFORM" posix x11 mac ;;
    *) [[ $PLATFORM == "$2" ]] ;;
  esac
}

# The platform a header belongs to, from its name; "" for portable ones.
header_platform() {
  local lower=${1,,}
  HEADER_PLATFORM=
  if matches "$lower" "$windows_headers"; then HEADER_PLATFORM=win
  elif matches "$lower" "$posix_headers"; then HEADER_PLATFORM=posix
  elif matches "$lower" "$x11_headers"; then HEADER_PLATFORM=x11
  elif matches "$lower" "$mac_headers"; then HEADER_PLATFORM=mac
  elif matches "$lower" "$shared_platform_headers"; then HEADER_PLATFORM=any
  fi
}

# check_layers FILE WHERE KIND INCLUDE: reports an include FILE's layer may
# not make; sets OURS when it reaches a file of the tree.
check_layers() {
  local file=$1 where=$2 kind=$3 include=$4 from target folder
  OURS=
  if ! resolve "$file" "$kind" "$include"; then
    report "$where" "includes \"$include\", which leaves the source tree"
    return
  fi
  layer_of "$file"
  from=$LAYER
  for target in "${TARGETS[@]}"; do
    [[ -n ${in_tree[$target]:-} ]] && OURS=1
    layer_of "$target"
    folder=${target%%/*}
    if [[ $LAYER == none && ( -z ${top_folders[$folder]:-} || $target != */* ) ]]; then
      continue # a library's or a generated header
    fi
    if [[ $LAYER == none ]]; then
      report "$where" "includes $target, in $folder/, which is no layer"
    elif ! may "$from" "$LAYER"; then
      report "$where" "includes $target: $(describe "$LAYER") ($RULE)"
    fi
    platform_of "$target"
    folder=$PLATFORM
    if [[ -n $folder && -z $SEAM ]] && ! platform_fits "$file" "$folder"; then
      report "$where" "includes $target from outside any $folder/ folder (platform code stays behind its interface)"
    fi
  done
}

check_platform_header() { # FILE WHERE INCLUDE
  local file=$1 where=$2 include=$3 lower=${3,,}
  header_platform "$include"
  if [[ -n $HEADER_PLATFORM ]] && ! platform_fits "$file" "$HEADER_PLATFORM"; then
    if [[ $HEADER_PLATFORM == any ]]; then
      report "$where" "includes <$include>, a platform header, outside a platform folder"
    else
      report "$where" "includes <$include> outside any $HEADER_PLATFORM/ folder"
    fi
  fi
  # The base, the core, the raster library and the effect's processing keep
  # processor specifics behind their seams, so that other processors build
  # them.
  case $file in
    base/* | core/* | raster/* | plugin/*)
      if matches "$lower" "$x86_headers" && [[ /$file != */x86/* ]]; then
        report "$where" "includes <$include> outside any x86/ folder"
      elif matches "$lower" "$arm64_headers" && [[ /$file != */arm64/* ]]; then
        report "$where" "includes <$include> outside any arm64/ folder"
      fi
      ;;
  esac
}

# The preprocessor directives that matter here, one per line:
# FILE<TAB>LINE<TAB>KIND<TAB>TEXT with KIND q (quoted include), a (angle
# include), m (computed include) or p (a platform macro tested in an #if).
# Comments are removed and continued lines joined first.
directives() {
  awk -v macros="$platform_macros" '
    BEGIN { n = split(macros, macro, /[ \t\n]+/) }
    FNR == 1 { incomment = 0; held = "" }
    {
      line = $0
      if (held != "") { line = held " " line; start = heldstart; held = "" } else start = FNR
      if (line ~ /\\$/) { held = substr(line, 1, length(line) - 1); heldstart = start; next }
      text = ""
      while (line != "") {
        if (incomment) {
          p = index(line, "*/")
          if (p == 0) break
          line = substr(line, p + 2); incomment = 0
        } else {
          p = index(line, "/*"); q = index(line, "//")
          if (q > 0 && (p == 0 || q < p)) { text = text substr(line, 1, q - 1); break }
          if (p == 0) { text = text line; break }
          text = text substr(line, 1, p - 1) " "; line = substr(line, p + 2); incomment = 1
        }
      }
      if (text !~ /^[ \t]*#/) next
      sub(/^[ \t]*#[ \t]*/, "", text)
      where = FILENAME "\t" start "\t"
      if (text ~ /^(include|include_next|import)([^a-z_]|$)/) {
        sub(/^[a-z_]+[ \t]*/, "", text)
        if (match(text, /^"[^"]*"/)) print where "q\t" substr(text, 2, RLENGTH - 2)
        else if (match(text, /^<[^>]*>/)) print where "a\t" substr(text, 2, RLENGTH - 2)
        else print where "m\t" text
      } else if (text ~ /^(if|ifdef|ifndef|elif|elifdef|elifndef)([^a-z_]|$)/) {
        for (i = 1; i <= n; i++)
          if (macro[i] != "" && text ~ ("(^|[^A-Za-z0-9_])" macro[i] "([^A-Za-z0-9_]|$)"))
            print where "p\t" macro[i]
      }
    }' "$@"
}

for file in "${files[@]}"; do
  layer_of "$file"
  if [[ $LAYER == none ]]; then
    if [[ $file == */* ]]; then
      report "$file" "no layering rule covers ${file%%/*}/ (give the folder one in this check)"
    else
      report "$file" "no layering rule covers the source root"
    fi
  fi
done

if ((${#files[@]})); then
  while IFS=$'\t' read -r file line kind text; do
    where=$file:$line
    case $kind in
      q | a)
        check_layers "$file" "$where" "$kind" "$text"
        # A header of the tree is ours, whatever its name.
        [[ -n $OURS ]] || check_platform_header "$file" "$where" "$text"
        ;;
      m)
        platform_of "$file"
        [[ -n $PLATFORM ]] || report "$where" "computes its include ($text) outside a platform folder"
        ;;
      p)
        platform_of "$file"
        [[ -n $PLATFORM ]] || report "$where" "tests $text in an #if outside a platform folder"
        ;;
    esac
  done < <(directives "${files[@]}")
fi

if [ "$violations" -ne 0 ]; then
  echo "layering: $violations violation(s)"
  exit 1
fi
echo "layering: clean (${#files[@]} files)"
