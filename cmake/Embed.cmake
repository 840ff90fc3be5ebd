# reef_embed(<target> FILES <file>...)
#
# Compresses each file at build time with the host tool embed (tools/embed)
# into a generated .cpp defining its EmbeddedFile (engine/texture/
# EmbeddedFile.h), and builds those into the static library <target>. A
# file Name.ext becomes the symbol Name (made a C identifier), declared in
# the generated <target>.h on its users' include path.
function(reef_embed TARGET_NAME)
  cmake_parse_arguments(ARG "" "" "FILES" ${ARGN})
  if(NOT ARG_FILES)
    message(FATAL_ERROR "reef_embed(${TARGET_NAME}): no FILES")
  endif()
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/${TARGET_NAME})
  file(MAKE_DIRECTORY ${out_dir})
  set(sources)
  set(headers)
  set(includes)
  foreach(file ${ARG_FILES})
    get_filename_component(path ${file} ABSOLUTE)
    get_filename_component(base ${file} NAME_WE)
    string(MAKE_C_IDENTIFIER "${base}" symbol)
    file(RELATIVE_PATH shown ${CMAKE_SOURCE_DIR} ${path})
    add_custom_command(OUTPUT ${out_dir}/${symbol}.cpp ${out_dir}/${symbol}.h
      COMMAND ${HOST_BIN}/embed ${path} ${out_dir}/${symbol}.cpp ${out_dir}/${symbol}.h ${symbol}
      DEPENDS ${path} ${HOST_BIN}/embed hosttools
      COMMENT "Embedding ${shown}"
      VERBATIM)
    list(APPEND sources ${out_dir}/${symbol}.cpp)
    list(APPEND headers ${out_dir}/${symbol}.h)
    string(APPEND includes "#include \"${symbol}.h\"\n")
  endforeach()
  file(CONFIGURE OUTPUT ${out_dir}/${TARGET_NAME}.h CONTENT
"// The files of ${TARGET_NAME}, embedded at build time by reef_embed() (cmake/Embed.cmake).
#pragma once

@includes@" @ONLY)
  add_library(${TARGET_NAME} STATIC ${sources} ${headers})
  target_include_directories(${TARGET_NAME} PUBLIC ${out_dir})
  target_link_libraries(${TARGET_NAME} PUBLIC engine)
endfunction()
