# reef_shaders(<target> SOURCES <file.vsh|file.psh>... [INCLUDE_DIRS <dir>...] [DEPENDS <file>...])
#
# Assembles each shader at build time with the host tool shaderasm
# (tools/shaderasm) into a generated .cpp, and builds those into the static
# library <target>. A shader Name.vsh becomes the symbol NameVsh, Name.psh
# NamePsh:
#   extern const DWORD NameVsh[];    the tokens for CreateVertexShader
#   extern const UINT NameVshCount;  how many, the end token included
# all declared in <target>.h, which the library puts on its users' include
# path. INCLUDE_DIRS are searched by #include after the shader's own
# directory. Included files are tracked through the tool's dependency file;
# DEPENDS names more files that should re-assemble the shaders when changed.
function(reef_shaders TARGET_NAME)
  cmake_parse_arguments(ARG "" "" "SOURCES;INCLUDE_DIRS;DEPENDS" ${ARGN})
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "reef_shaders(${TARGET_NAME}): no SOURCES")
  endif()
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/${TARGET_NAME})
  file(MAKE_DIRECTORY ${out_dir})
  set(include_args)
  foreach(dir ${ARG_INCLUDE_DIRS})
    get_filename_component(dir ${dir} ABSOLUTE)
    list(APPEND include_args -I ${dir})
  endforeach()

  set(generated)
  set(declarations)
  foreach(source ${ARG_SOURCES})
    get_filename_component(path ${source} ABSOLUTE)
    get_filename_component(base ${source} NAME_WE)
    get_filename_component(ext ${source} LAST_EXT)
    string(TOLOWER "${ext}" ext)
    if(ext STREQUAL ".vsh")
      set(suffix Vsh)
    elseif(ext STREQUAL ".psh")
      set(suffix Psh)
    else()
      message(FATAL_ERROR "reef_shaders(${TARGET_NAME}): ${source} is neither .vsh nor .psh")
    endif()
    string(MAKE_C_IDENTIFIER "${base}${suffix}" symbol)
    set(out ${out_dir}/${symbol}.cpp)
    file(RELATIVE_PATH shown ${CMAKE_SOURCE_DIR} ${path})
    add_custom_command(OUTPUT ${out}
      COMMAND ${HOST_BIN}/shaderasm ${path} ${out} ${symbol} ${include_args} -M ${out}.d
      DEPENDS ${path} ${ARG_DEPENDS} ${HOST_BIN}/shaderasm hosttools
      DEPFILE ${out}.d
      COMMENT "Assembling shader ${shown}"
      VERBATIM)
    list(APPEND generated ${out})
    string(APPEND declarations "extern const DWORD ${symbol}[];\nextern const UINT ${symbol}Count;\n")
  endforeach()

  file(CONFIGURE OUTPUT ${out_dir}/${TARGET_NAME}.h CONTENT
"// The shaders of ${TARGET_NAME}, assembled at build time by reef_shaders() (cmake/Shaders.cmake).
#pragma once

#include <windows.h>

@declarations@" @ONLY)
  add_library(${TARGET_NAME} STATIC ${generated})
  target_include_directories(${TARGET_NAME} PUBLIC ${out_dir})
endfunction()
