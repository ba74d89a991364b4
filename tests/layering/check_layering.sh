#!/usr/bin/env bash
# Checks which folder's code includes which: layers only look down, platform
# headers stay in their platform folders, and processor intrinsics in the
# base, the core and the effect's processing stay in x86/ folders. Prints
# every violation and fails if there is any.
# Usage: check_layering.sh SOURCE_ROOT
#
# Project includes are written from the source root ("core/PlugBase.h"), so
# the first path component of a quoted include names the layer it reaches.
# In plugin/, the files named Vexa* are the effect class on the host adapter
# (and its editor); every other file there is signal processing.
set -uo pipefail
root=${1:?usage: check_layering.sh SOURCE_ROOT}
cd "$root" || exit 2

violations=0
report() {
  echo "$1: $2"
  violations=$((violations + 1))
}

# The quoted includes of a file, one path per line.
quoted_includes() { sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$1"; }
# The angle-bracket includes of a file, one path per line.
system_includes() { sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$1"; }

# forbid FILE WHY LAYER...: FILE includes none of the LAYERs.
forbid() {
  local file=$1 why=$2 include layer
  shift 2
  while IFS= read -r include; do
    for layer in "$@"; do
      case $include in
        "$layer"/*) report "$file" "includes $include ($why)" ;;
      esac
    done
  done < <(quoted_includes "$file")
}

while IFS= read -r file; do
  case $file in
    base/*)
      while IFS= read -r include; do
        case $include in
          base/*) ;;
          *) report "$file" "includes $include (base depends on nothing)" ;;
        esac
      done < <(quoted_includes "$file")
      ;;
    core/*) forbid "$file" "the core knows no adapter, effect, raster or editor" vst plugin raster graphics tools ;;
    raster/*) forbid "$file" "raster depends on base only" core vst plugin graphics tools ;;
    graphics/*) forbid "$file" "the editor framework knows no adapter or effect" vst plugin tools ;;
    plugin/Vexa*) ;;
    plugin/*)
      forbid "$file" "signal processing links without the core, the adapter and editor code" \
        vst core graphics raster tools
      while IFS= read -r include; do
        case $include in
          plugin/Vexa*) report "$file" "includes $include (signal processing knows no effect class)" ;;
        esac
      done < <(quoted_includes "$file")
      ;;
  esac

  while IFS= read -r include; do
    lower=${include,,}
    case $lower in
      windows.h) [[ /$file == */win/* ]] || report "$file" "includes <$include> outside a win/ folder" ;;
      x11/*) [[ /$file == */x11/* ]] || report "$file" "includes <$include> outside an x11/ folder" ;;
      *intrin.h)
        # The effect's processing, the core and the raster library keep
        # processor specifics behind their x86/ seams, so that other
        # processors build them.
        case $file in
          base/* | core/* | plugin/* | raster/*)
            [[ /$file == */x86/* ]] || report "$file" "includes <$include> outside an x86/ folder" ;;
        esac
        ;;
    esac
  done < <(system_includes "$file")
done < <(find . \( -path ./build -o -path ./.git -o -path ./scripts \) -prune -o \
           -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cpp' \) -print | sed 's|^\./||' | sort)

if [ "$violations" -ne 0 ]; then
  echo "layering: $violations violation(s)"
  exit 1
fi
echo "layering: clean"
