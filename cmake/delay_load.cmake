# Delay-loaded system DLLs. A program imports directly only the DLLs Windows always
# takes from System32 (its known DLLs); the others (bcrypt, comctl32, version, wininet)
# are loaded at their first call, after the program's first statement has limited the
# DLL search to System32, so a DLL of that name planted beside the program is never
# loaded.
# tdm_delay_<name> links in place of <name>; cmake/delay_load/<name>.def lists the
# functions the programs call (a call to one not listed fails to link).
find_program(TDM_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
foreach(name bcrypt comctl32 version wininet)
  set(def ${CMAKE_CURRENT_LIST_DIR}/delay_load/${name}.def)
  set(library ${CMAKE_BINARY_DIR}/delay_load/libtdm_delay_${name}.a)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delay_load)
  execute_process(COMMAND ${TDM_DLLTOOL} --input-def ${def} --output-delaylib ${library}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dlltool could not make the delay-import library of ${name}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  add_library(tdm_delay_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(tdm_delay_${name} PROPERTIES IMPORTED_LOCATION ${library})
endforeach()
