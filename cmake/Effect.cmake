# vexa_effect_for(<suffix> <adapter> <adapter-effect-dir>)
#
# The effect written once, compiled once per host interface. Makes
#   vexa_effect_<suffix>  the effect class (plugin/Vexa.cpp) on <adapter>, the
#                         library target of a host adapter;
#   vexa_layout_<suffix>  the effect's editor layout (plugin/VexaEditor.cpp)
#                         for that effect.
# plugin/Vexa.h includes "PlugAdapter.h" without a folder: it is found in
# <adapter-effect-dir>, which names the adapter's class and host handle
# (see vst/effect/PlugAdapter.h). The directory is a usage requirement of
# vexa_effect_<suffix>, so the module, the entry point and the tests built
# on it see the same adapter.
function(vexa_effect_for suffix adapter effect_dir)
  set(effect vexa_effect_${suffix})
  add_library(${effect} STATIC ${PROJECT_SOURCE_DIR}/plugin/Vexa.cpp)
  target_include_directories(${effect} PUBLIC ${effect_dir})
  target_link_libraries(${effect} PUBLIC vexa_processing vexa_identity ${adapter})
  vexa_warnings(${effect})

  set(layout vexa_layout_${suffix})
  add_library(${layout} STATIC ${PROJECT_SOURCE_DIR}/plugin/VexaEditor.cpp)
  target_link_libraries(${layout} PUBLIC ${effect} vexa_graphics)
  vexa_warnings(${layout})
endfunction()
