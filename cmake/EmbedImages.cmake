# vexa_embed_images(<target> <id> <png file> [<id> <png file> ...])
#
# Builds PNG files into <target> under numeric resource ids, so the editor
# finds them by id without reading any file at run time. Relative file names
# are taken from the calling directory; the files are read when the target
# is built, and a changed file rebuilds it.
#
# On Windows the images become resources of type "PNG" through a generated
# resource script. Elsewhere they become a table in a generated source that
# registers itself with the image lookup (graphics/posix/EmbeddedImages.h),
# so <target> must link vexa_graphics.

set(VEXA_EMBED_IMAGES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedImagesGenerate.cmake)

function(vexa_embed_images target)
  set(args ${ARGN})
  list(LENGTH args count)
  math(EXPR odd "${count} % 2")
  if(count EQUAL 0 OR odd)
    message(FATAL_ERROR "vexa_embed_images(${target}): expected pairs of resource id and file")
  endif()

  set(ids)
  set(files)
  set(manifest "")
  set(script "")
  while(args)
    list(POP_FRONT args id file)
    if(NOT id MATCHES "^[0-9]+$" OR id GREATER 65535)
      message(FATAL_ERROR "vexa_embed_images(${target}): '${id}' is not a resource id (0-65535)")
    endif()
    if(id IN_LIST ids)
      message(FATAL_ERROR "vexa_embed_images(${target}): resource id ${id} given twice")
    endif()
    get_filename_component(file "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND ids ${id})
    list(APPEND files "${file}")
    string(APPEND manifest "${id} ${file}\n")
    string(APPEND script "${id} PNG \"${file}\"\n")
  endwhile()

  if(WIN32)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_images.rc)
    file(GENERATE OUTPUT ${rc} CONTENT "${script}")
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${files}")
    target_sources(${target} PRIVATE ${rc})
  else()
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_images.txt)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_images.cpp)
    file(GENERATE OUTPUT ${list_file} CONTENT "${manifest}")
    add_custom_command(
      OUTPUT ${source}
      COMMAND ${CMAKE_COMMAND} -DMANIFEST=${list_file} -DOUTPUT=${source} -DTARGET=${target}
              -P ${VEXA_EMBED_IMAGES_SCRIPT}
      DEPENDS ${files} ${list_file} ${VEXA_EMBED_IMAGES_SCRIPT}
      COMMENT "Embedding images into ${target}"
      VERBATIM)
    target_sources(${target} PRIVATE ${source})
  endif()
endfunction()
