# cmake -DSOURCE=<folder> -DDEST=<folder> -DPROGRAMS=<exe;exe> -DSTAMP=<file> -P ...
# Builds a payload folder afresh, so a file removed from the sources leaves it too.
# file(COPY) keeps the files' times, which the archive records.
file(REMOVE_RECURSE "${DEST}")
file(MAKE_DIRECTORY "${DEST}")
file(COPY "${SOURCE}/" DESTINATION "${DEST}")
file(COPY ${PROGRAMS} DESTINATION "${DEST}")
file(TOUCH "${STAMP}")
