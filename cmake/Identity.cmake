# The plug-in's identity, defined once. The version is the project's
# (project() in the top-level CMakeLists.txt); everything else is here. The
# effect reads it from the generated header plugin/VexaIdentity.h, the Windows
# modules from their generated version resource, and any description file a
# module needs is generated from these variables in the same way.
set(VEXA_NAME "Vexa")
set(VEXA_VENDOR "Corvanta")
set(VEXA_PRODUCT_NAME "")
# Four-character codes of the VST 2.4 interface.
set(VEXA_VST2_UNIQUE_ID "VXA1")
set(VEXA_VST2_MAKER_ID "Corv")
# Class identifiers of the VST3 component and its edit controller.
set(VEXA_VST3_COMPONENT_UUID "C0A5E7B1-3F42-4D8A-9B61-7E2D5A9C4F10")
set(VEXA_VST3_CONTROLLER_UUID "C0A5E7B1-3F42-4D8A-9B61-7E2D5A9C4F11")
# URIs of the LV2 plug-in and of its user interface.
set(VEXA_LV2_URI "urn:corvanta:vexa")
set(VEXA_LV2_UI_URI "urn:corvanta:vexa#ui")
# The key of the LV2 state's one property, the bank chunk's bytes, and the
# URI of the preset holding the default settings.
set(VEXA_LV2_STATE_KEY "urn:corvanta:vexa#bank")
set(VEXA_LV2_DEFAULT_PRESET_URI "urn:corvanta:vexa#preset-default")

# The core packs a version as (major << 16) | (minor << 8) | patch, so minor
# and patch must fit in a byte each.
set(VEXA_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(VEXA_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(VEXA_VERSION_PATCH ${PROJECT_VERSION_PATCH})
if(VEXA_VERSION_MAJOR GREATER 32767 OR VEXA_VERSION_MINOR GREATER 255 OR VEXA_VERSION_PATCH GREATER 255)
  message(FATAL_ERROR "version ${PROJECT_VERSION} does not pack into the core's 32-bit version")
endif()
set(VEXA_VERSION_TEXT "${VEXA_VERSION_MAJOR}.${VEXA_VERSION_MINOR}.${VEXA_VERSION_PATCH}")
math(EXPR VEXA_VERSION_PACKED
  "(${VEXA_VERSION_MAJOR} << 16) | (${VEXA_VERSION_MINOR} << 8) | ${VEXA_VERSION_PATCH}"
  OUTPUT_FORMAT HEXADECIMAL)
math(EXPR VEXA_VERSION_DECIMAL
  "${VEXA_VERSION_MAJOR} * 10000 + ${VEXA_VERSION_MINOR} * 100 + ${VEXA_VERSION_PATCH}")

# vexa_four_char_code(<out> <code>): <code>'s four bytes as one hexadecimal
# integer, first character in the highest byte.
function(vexa_four_char_code out code)
  string(LENGTH "${code}" length)
  if(NOT length EQUAL 4)
    message(FATAL_ERROR "four-character code '${code}' has ${length} characters")
  endif()
  string(HEX "${code}" hex)
  set(${out} "0x${hex}" PARENT_SCOPE)
endfunction()
vexa_four_char_code(VEXA_VST2_UNIQUE_ID_HEX "${VEXA_VST2_UNIQUE_ID}")
vexa_four_char_code(VEXA_VST2_MAKER_ID_HEX "${VEXA_VST2_MAKER_ID}")

# vexa_uuid_bytes(<out> <uuid>): the sixteen bytes of a textual UUID in the
# order they are written, as a C initializer list.
function(vexa_uuid_bytes out uuid)
  string(REPLACE "-" "" hex "${uuid}")
  if(NOT hex MATCHES "^[0-9A-Fa-f]+$")
    message(FATAL_ERROR "'${uuid}' is not a UUID")
  endif()
  string(LENGTH "${hex}" length)
  if(NOT length EQUAL 32)
    message(FATAL_ERROR "'${uuid}' is not a UUID")
  endif()
  string(REGEX REPLACE "([0-9A-Fa-f][0-9A-Fa-f])" "0x\\1, " bytes "${hex}")
  string(REGEX REPLACE ", $" "" bytes "${bytes}")
  set(${out} "${bytes}" PARENT_SCOPE)
endfunction()
vexa_uuid_bytes(VEXA_VST3_COMPONENT_ID_BYTES "${VEXA_VST3_COMPONENT_UUID}")
vexa_uuid_bytes(VEXA_VST3_CONTROLLER_ID_BYTES "${VEXA_VST3_CONTROLLER_UUID}")

# Generated files go under one root, laid out like the source tree, so that
# they are included by their path from it ("plugin/VexaIdentity.h").
set(VEXA_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/plugin/VexaIdentity.h.in ${VEXA_GENERATED_DIR}/plugin/VexaIdentity.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/resources/VexaVersion.rc.in ${VEXA_GENERATED_DIR}/resources/VexaVersion.rc
               @ONLY)

# vexa_identity: the generated identity header, for whatever includes it.
add_library(vexa_identity INTERFACE)
target_include_directories(vexa_identity INTERFACE ${VEXA_GENERATED_DIR})
