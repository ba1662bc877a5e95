# cmake -DOBJDUMP=... -DFILE=x.asi -P check_imports.cmake
# Fails unless FILE imports from Windows system libraries only, plus exactly the nine
# functions of the host's script-hook library under their decorated names.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${FILE}")
endif()

set(expected
  "?keyboardHandlerRegister@@YAXP6AXKGEHHHH@Z@Z"
  "?keyboardHandlerUnregister@@YAXP6AXKGEHHHH@Z@Z"
  "?nativeCall@@YAPEA_KXZ"
  "?nativeInit@@YAX_K@Z"
  "?nativePush64@@YAX_K@Z"
  "?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z"
  "?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z"
  "?scriptWait@@YAXK@Z"
  "?worldGetAllPeds@@YAHPEAHH@Z")
set(system_dlls kernel32.dll user32.dll msvcrt.dll advapi32.dll ntdll.dll ucrtbase.dll)

string(REPLACE ";" "\\;" dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(dll "")
set(dlls "")
set(hook_imports "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(STRIP "${CMAKE_MATCH_1}" dll)
    string(TOLOWER "${dll}" dll)
    list(APPEND dlls ${dll})
  elseif(line MATCHES "^[ \t]*Characteristics|^[ \t]*The Export Tables|^[^ \t]")
    set(dll "")
  elseif(dll STREQUAL "scripthookrdr2.dll" AND line MATCHES "^[ \t]+[0-9a-fA-F]+[ \t]+([0-9]+[ \t]+)?(\\?[^ \t]+)$")
    list(APPEND hook_imports "${CMAKE_MATCH_2}")
  endif()
endforeach()

foreach(d IN LISTS dlls)
  if(NOT d STREQUAL "scripthookrdr2.dll" AND NOT d IN_LIST system_dlls AND NOT d MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${FILE} imports from ${d}, which is not part of Windows")
  endif()
endforeach()
if(NOT "scripthookrdr2.dll" IN_LIST dlls)
  message(FATAL_ERROR "${FILE} does not import from ScriptHookRDR2.dll")
endif()
list(SORT hook_imports)
list(SORT expected)
if(NOT hook_imports STREQUAL expected)
  message(FATAL_ERROR "${FILE} imports from ScriptHookRDR2.dll:\n  ${hook_imports}\nexpected:\n  ${expected}")
endif()
message(STATUS "${FILE}: ${dlls}; nine host functions")
