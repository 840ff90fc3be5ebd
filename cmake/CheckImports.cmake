cmake_minimum_required(VERSION 3.20)
# Fails when a Windows program imports a DLL that a bare Windows does not
# have (a C/C++ runtime, winpthread or zlib that should be linked in).
#   cmake -DOBJDUMP=... -DPROGRAMS="a.exe;b.exe" -P CheckImports.cmake
set(SYSTEM_DLLS kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll winmm.dll
    comctl32.dll ole32.dll shell32.dll)
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot read ${program}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
  foreach(line IN LISTS names)
    string(REPLACE "DLL Name: " "" dll "${line}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST SYSTEM_DLLS)
      message(FATAL_ERROR "${program} imports ${dll}")
    endif()
  endforeach()
  message(STATUS "${program}: system DLLs only")
endforeach()
