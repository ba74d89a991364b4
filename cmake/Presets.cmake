# Vexa's factory presets: resources/presets.txt, written as the preset files
# of every edition. Each edition's files come from its module itself:
# vexa-host types each preset's values into it as a host's user would and
# saves them as hosts save presets (VST2 programs, .fxp; VST3 presets,
# .vstpreset, holding the component's state). Native builds only: a cross
# build's tools do not run on the build machine, and the files are the same
# bytes on every platform, so the Windows packages take them from the Linux
# build.
#
# Sets VEXA_PRESET_FILES_VST2 and VEXA_PRESET_FILES_VST3 for the install
# rules. The LV2 edition's presets are in its bundle's data
# (plugin/CMakeLists.txt), read from the same table (cmake/PresetTable.cmake).

set(VEXA_PRESETS_DIR ${CMAKE_BINARY_DIR}/presets)
set(VEXA_PRESET_FILES_VST2 "")
set(VEXA_PRESET_FILES_VST3 "")

if(NOT CMAKE_CROSSCOMPILING AND NOT VEXA_TSAN AND TARGET vexa-host)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEXA_PRESET_TABLE})
  vexa_read_presets()
  math(EXPR last "${VEXA_PRESET_COUNT} - 1")
  foreach(i RANGE ${last})
    set(name "${VEXA_PRESET_NAME_${i}}")
    set(fxp "${VEXA_PRESETS_DIR}/vst2/${name}.fxp")
    set(args "")
    foreach(setting IN LISTS VEXA_PRESET_SETTINGS_${i})
      list(APPEND args --set ${setting})
    endforeach()
    add_custom_command(OUTPUT "${fxp}"
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VEXA_PRESETS_DIR}/vst2
      COMMAND vexa-host state save $<TARGET_FILE:Vexa> "${fxp}" --name "${name}" ${args}
      DEPENDS vexa-host Vexa ${VEXA_PRESET_TABLE}
      COMMENT "Preset ${name}.fxp"
      VERBATIM)
    list(APPEND VEXA_PRESET_FILES_VST2 "${fxp}")
    if(TARGET VexaVst3)
      set(vstpreset "${VEXA_PRESETS_DIR}/vst3/${name}.vstpreset")
      add_custom_command(OUTPUT "${vstpreset}"
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VEXA_PRESETS_DIR}/vst3
        COMMAND vexa-host state save ${VEXA_VST3_BUNDLE} "${vstpreset}" ${args}
        DEPENDS vexa-host VexaVst3 ${VEXA_PRESET_TABLE}
        COMMENT "Preset ${name}.vstpreset"
        VERBATIM)
      list(APPEND VEXA_PRESET_FILES_VST3 "${vstpreset}")
    endif()
  endforeach()
  add_custom_target(vexa_presets ALL DEPENDS ${VEXA_PRESET_FILES_VST2} ${VEXA_PRESET_FILES_VST3})
endif()
