# The table of Vexa's factory presets, resources/presets.txt, and its
# reader. Included before the effect's directory, whose LV2 bundle carries
# the presets in its data; cmake/Presets.cmake writes them as the other
# editions' preset files.

set(VEXA_PRESET_TABLE ${PROJECT_SOURCE_DIR}/resources/presets.txt)

# vexa_read_presets(): VEXA_PRESET_COUNT and, for i from 0, VEXA_PRESET_NAME_<i>
# and VEXA_PRESET_SETTINGS_<i> (a list of NAME=VALUE) in the caller's scope.
function(vexa_read_presets)
  file(STRINGS ${VEXA_PRESET_TABLE} lines REGEX "^[^#].*[|]")
  set(i 0)
  foreach(line IN LISTS lines)
    string(REPLACE "|" ";" fields "${line}")
    list(GET fields 0 name)
    list(GET fields 1 settings)
    string(STRIP "${name}" name)
    string(STRIP "${settings}" settings)
    string(REGEX REPLACE "[ \t]+" ";" settings "${settings}")
    set(VEXA_PRESET_NAME_${i} "${name}" PARENT_SCOPE)
    set(VEXA_PRESET_SETTINGS_${i} "${settings}" PARENT_SCOPE)
    math(EXPR i "${i} + 1")
  endforeach()
  set(VEXA_PRESET_COUNT ${i} PARENT_SCOPE)
endfunction()
