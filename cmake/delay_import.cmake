# Delay-loaded system DLLs for the Windows build: tw_delay_<name> links
# like <name> (e.g. wininet), but the DLL is loaded the first time one of
# its functions is called rather than before the program starts. Under
# Wine each DLL loaded at start-up costs the manager's first window
# several milliseconds; those used only by a later action wait for it.
# The import library is made at configure time from the toolchain's own.
if(NOT TW_WINDOWS)
  return()
endif()

find_program(TW_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
find_program(TW_NM NAMES x86_64-w64-mingw32-nm REQUIRED)

function(tw_delay_import name dll)
  set(lib ${CMAKE_BINARY_DIR}/delay/libtw_delay_${name}.a)
  if(NOT EXISTS ${lib})
    find_library(system_lib_${name} NAMES lib${name}.a REQUIRED)
    execute_process(COMMAND ${TW_NM} ${system_lib_${name}} OUTPUT_VARIABLE symbols ERROR_QUIET
                    COMMAND_ERROR_IS_FATAL ANY)
    # The functions are the "I __imp_NAME" entries of the import library.
    string(REGEX MATCHALL "[0-9a-f]+ I __imp_[A-Za-z0-9_@?]+" entries "${symbols}")
    set(exports "")
    foreach(entry ${entries})
      string(REGEX REPLACE ".* I __imp_" "" function "${entry}")
      list(APPEND exports ${function})
    endforeach()
    list(REMOVE_DUPLICATES exports)
    list(JOIN exports "\n  " body)
    file(WRITE ${CMAKE_BINARY_DIR}/delay/${name}.def "LIBRARY ${dll}\nEXPORTS\n  ${body}\n")
    execute_process(COMMAND ${TW_DLLTOOL} -d ${CMAKE_BINARY_DIR}/delay/${name}.def -y ${lib} -D ${dll}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  add_library(tw_delay_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(tw_delay_${name} PROPERTIES IMPORTED_LOCATION ${lib})
endfunction()

tw_delay_import(wininet WININET.dll)
tw_delay_import(setupapi SETUPAPI.dll)
tw_delay_import(mpr MPR.dll)
tw_delay_import(comdlg32 comdlg32.dll)
tw_delay_import(oleacc OLEACC.dll)
