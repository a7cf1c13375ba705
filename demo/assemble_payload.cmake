# cmake -DSOURCE=<folder> [-DOVERLAY=<folder>] [-DREMOVE=<name;name>] -DDEST=<folder>
#       -DPROGRAMS=<exe;exe> -DSTAMP=<file> -P ...
# Builds a payload folder afresh, so a file removed from the sources leaves it too;
# OVERLAY's files replace SOURCE's, then the REMOVE names go.
# file(COPY) keeps the files' times, which the archive records.
file(REMOVE_RECURSE "${DEST}")
file(MAKE_DIRECTORY "${DEST}")
file(COPY "${SOURCE}/" DESTINATION "${DEST}")
if(DEFINED OVERLAY)
  # file(COPY) skips a file whose copy has the same time, which a checkout gives both.
  file(GLOB_RECURSE replaced RELATIVE "${OVERLAY}" "${OVERLAY}/*")
  foreach(name IN LISTS replaced)
    file(REMOVE "${DEST}/${name}")
  endforeach()
  file(COPY "${OVERLAY}/" DESTINATION "${DEST}")
endif()
foreach(name IN LISTS REMOVE)
  file(REMOVE "${DEST}/${name}")
endforeach()
file(COPY ${PROGRAMS} DESTINATION "${DEST}")
file(TOUCH "${STAMP}")
