# What `cmake --install` puts where, relative to CMAKE_INSTALL_PREFIX (and
# under DESTDIR when that is set). `cmake --install BUILD --strip` is what
# the packages use.
#
# Linux, where hosts look for each edition (prefix /usr or /usr/local, or
# $HOME/.local for one user):
#   lib/vst/Vexa.so                      the VST2 module
#   lib/vst3/Vexa.vst3/                  the VST3 bundle
#   lib/lv2/Vexa.lv2/                    the LV2 bundle: plug-in, UI, data
#                                        and the factory presets
#   bin/vexa-host                        the host tool
#   share/man/man1/vexa-host.1           its manual page
#   share/vexa/presets/*.fxp             the factory presets, VST2 programs
#   share/vst3/presets/Corvanta/Vexa/    the same as VST3 presets, where VST3
#                                        hosts look for shared presets
#   share/doc/vexa/                      README, licences, changes
# Windows, the layout of the release archive; the 32- and 64-bit builds
# install side by side into one prefix:
#   VST2/32-bit/Vexa.dll, VST2/64-bit/Vexa.dll
#   VST3/Vexa.vst3/Contents/x86-win/Vexa.vst3 and .../x86_64-win/Vexa.vst3:
#   one bundle for both
#   README.txt, LICENSE.txt, THIRD-PARTY.txt, CHANGELOG.txt
# (the Windows builds make no presets: scripts/package.sh adds the Linux
# build's, which are the same bytes).
#
# Each further edition adds its rules below, guarded by its target, so that
# a build without it installs the rest.

set(VEXA_DOCUMENTS README.md LICENSE THIRD-PARTY.txt CHANGELOG.md)
if(TARGET VexaVst3)
  get_filename_component(bundle ${VEXA_VST3_BUNDLE} NAME)
  set(VEXA_VST3_BINARY_DESTINATION ${bundle}/Contents/${VEXA_VST3_ARCHITECTURE})
endif()

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VEXA_WINDOWS_BITS 64-bit)
  else()
    set(VEXA_WINDOWS_BITS 32-bit)
  endif()
  # The import library is of no use to anyone.
  install(TARGETS Vexa
          RUNTIME DESTINATION VST2/${VEXA_WINDOWS_BITS}
          ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
  if(TARGET VexaVst3)
    install(TARGETS VexaVst3
            RUNTIME DESTINATION VST3/${VEXA_VST3_BINARY_DESTINATION}
            ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
  endif()
  foreach(document IN LISTS VEXA_DOCUMENTS)
    get_filename_component(stem ${document} NAME_WE)
    install(FILES ${PROJECT_SOURCE_DIR}/${document} DESTINATION . RENAME ${stem}.txt)
  endforeach()
else()
  # Plug-in modules are loaded, not run: readable, not executable, as
  # shared libraries are installed on Debian.
  set(readable OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  install(TARGETS Vexa LIBRARY DESTINATION lib/vst PERMISSIONS ${readable})
  if(TARGET VexaVst3)
    install(TARGETS VexaVst3 LIBRARY DESTINATION lib/vst3/${VEXA_VST3_BINARY_DESTINATION} PERMISSIONS ${readable})
  endif()
  if(TARGET VexaLv2)
    get_filename_component(bundle ${VEXA_LV2_BUNDLE_DIR} NAME)
    install(TARGETS VexaLv2 VexaLv2Ui LIBRARY DESTINATION lib/lv2/${bundle} PERMISSIONS ${readable})
    foreach(data manifest plugin ui presets)
      install(FILES ${VEXA_LV2_BUNDLE_DIR}/${data}.ttl DESTINATION lib/lv2/${bundle})
    endforeach()
  endif()
  if(TARGET vexa-host)
    install(TARGETS vexa-host RUNTIME DESTINATION bin)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/vexa-host.1 DESTINATION share/man/man1)
  endif()
  if(VEXA_PRESET_FILES_VST2)
    install(FILES ${VEXA_PRESET_FILES_VST2} DESTINATION share/vexa/presets)
  endif()
  if(VEXA_PRESET_FILES_VST3)
    install(FILES ${VEXA_PRESET_FILES_VST3} DESTINATION share/vst3/presets/${VEXA_VENDOR}/${VEXA_NAME})
  endif()
  list(TRANSFORM VEXA_DOCUMENTS PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE documents)
  install(FILES ${documents} DESTINATION share/doc/vexa)
endif()
