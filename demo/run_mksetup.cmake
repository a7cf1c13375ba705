# cmake -DMKSETUP=<exe> -DMANIFEST=<ini> -DOUT=<folder> -DPAYLOAD=<folder> -DSTAMP=<file> -P ...
# mksetup comes from the host tree; until it is built, the archive is skipped with a
# notice rather than failing the Windows build.
if(NOT EXISTS "${MKSETUP}")
  message(STATUS "demo: ${MKSETUP} is not built yet (build the host tree); "
                 "skipping the archive ${OUT}")
  return()
endif()
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${MKSETUP}" archive "${MANIFEST}" "${OUT}" --payload "${PAYLOAD}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "demo: mksetup archive ${MANIFEST} failed (${result})")
endif()
file(TOUCH "${STAMP}")
