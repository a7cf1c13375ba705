# Where the demo release's parts are, for any CMakeLists of the Windows tree (include
# this file; it only sets variables, so it works before demo/ is added):
#   TDM_DEMO_FULL_MANIFEST, TDM_DEMO_UPDATE_MANIFEST  the two manifests as the build
#                                                     writes them from the sources
#   TDM_DEMO_FULL_PAYLOAD, TDM_DEMO_UPDATE_PAYLOAD    assembled payload folders
#   TDM_DEMO_FULL_ARCHIVE, TDM_DEMO_UPDATE_ARCHIVE    folders with ID_SETUPFILE1..3.bin
#   TDM_DEMO_NEXT_MANIFEST, TDM_DEMO_NEXT_PAYLOAD     the next full release 0.807.4
#   TDM_DEMO_NEXT_SETUP, TDM_DEMO_DERIVED_UPDATE      its Setup.exe, and the Update.exe
#                                                     mksetup derives from 0.807.3 to it
#                                                     (target demo_derived_update)
#   TDM_DEMO_FEED_KEY                                 the demo feed's key pair, made by the
#                                                     build: <it>.key and <it>.pub
#                                                     (target demo_feed_key)
# The targets demo_full_payload, demo_update_payload, demo_full_archive and
# demo_update_archive build them; depend on those with add_dependencies().
set(TDM_DEMO_SOURCE_DIR ${CMAKE_SOURCE_DIR}/demo)
set(TDM_DEMO_BINARY_DIR ${CMAKE_BINARY_DIR}/demo)
set(TDM_DEMO_FULL_MANIFEST ${TDM_DEMO_BINARY_DIR}/full.ini)
set(TDM_DEMO_UPDATE_MANIFEST ${TDM_DEMO_BINARY_DIR}/update.ini)
set(TDM_DEMO_FULL_PAYLOAD ${TDM_DEMO_BINARY_DIR}/payload-full)
set(TDM_DEMO_UPDATE_PAYLOAD ${TDM_DEMO_BINARY_DIR}/payload-update)
set(TDM_DEMO_FULL_ARCHIVE ${TDM_DEMO_BINARY_DIR}/full)
set(TDM_DEMO_UPDATE_ARCHIVE ${TDM_DEMO_BINARY_DIR}/update)
set(TDM_DEMO_NEXT_MANIFEST ${TDM_DEMO_BINARY_DIR}/full-next.ini)
set(TDM_DEMO_NEXT_PAYLOAD ${TDM_DEMO_BINARY_DIR}/payload-next)
set(TDM_DEMO_NEXT_SETUP ${TDM_DEMO_BINARY_DIR}/next/Setup.exe)
set(TDM_DEMO_DERIVED_UPDATE ${TDM_DEMO_BINARY_DIR}/derived/Update.exe)
set(TDM_DEMO_FEED_KEY ${TDM_DEMO_BINARY_DIR}/feed-key/demo)
