# cmake -DMKSETUP=<exe> -DFULL=<ini> -DFULL_PAYLOAD=<dir> -DNEXT=<ini> -DNEXT_PAYLOAD=<dir>
#       -DKEY=<demo feed key, without .key/.pub> -DDIR=<folder> -P feed_check.cmake
# The demo's two full releases published into a new feed with the demo feed's key, the
# one their updater carries (publish refuses any other): the feed verifies, and is
# refused once any byte of its index or of a file is changed (the first, the middle and
# the last byte of each, one at a time).
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE text ERROR_VARIABLE text)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${ARGN}\n${text}")
  endif()
endfunction()

file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
file(COPY_FILE ${KEY}.key ${DIR}/publisher.key)
file(COPY_FILE ${KEY}.pub ${DIR}/publisher.pub)
run(${MKSETUP} publish ${FULL} --payload ${FULL_PAYLOAD} --feed ${DIR}/feed --key ${DIR}/publisher.key)
run(${MKSETUP} publish ${NEXT} --payload ${NEXT_PAYLOAD} --feed ${DIR}/feed --key ${DIR}/publisher.key)
run(${MKSETUP} feed verify ${DIR}/feed --pubkey ${DIR}/publisher.pub)

file(GLOB_RECURSE files ${DIR}/feed/index.tdmfeed ${DIR}/feed/files/*)
set(checked 0)
foreach(file IN LISTS files)
  file(SIZE ${file} size)
  if(size EQUAL 0)
    continue()
  endif()
  math(EXPR middle "${size} / 2")
  math(EXPR last "${size} - 1")
  foreach(at 0 ${middle} ${last})
    file(READ ${file} byte OFFSET ${at} LIMIT 1 HEX)
    set(other x)
    if(byte STREQUAL "78")
      set(other y)
    endif()
    file(COPY_FILE ${file} ${DIR}/kept)
    run(sh -c "printf ${other} | dd of='${file}' bs=1 seek=${at} conv=notrunc status=none")
    execute_process(COMMAND ${MKSETUP} feed verify ${DIR}/feed --pubkey ${DIR}/publisher.pub
                    RESULT_VARIABLE code OUTPUT_QUIET ERROR_QUIET)
    file(RENAME ${DIR}/kept ${file})
    if(code EQUAL 0)
      message(FATAL_ERROR "${file}: byte ${at} changed, and the feed still verifies")
    endif()
    math(EXPR checked "${checked} + 1")
  endforeach()
endforeach()
run(${MKSETUP} feed verify ${DIR}/feed --pubkey ${DIR}/publisher.pub)
message(STATUS "the demo's feed verifies; ${checked} changed bytes refused")
