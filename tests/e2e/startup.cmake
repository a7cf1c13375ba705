# Start-up of Setup.exe: archive loading and its refusals, the preparation window,
# the command line and the log. Also brings in the support library every area uses.
if(NOT TARGET tdm_e2e_support)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/support ${CMAKE_CURRENT_BINARY_DIR}/e2e/support)
endif()

tdm_add_test(startup_archive_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_archive_test.cpp
             LIBS tdm_e2e_support)
# The refusal texts in German; the English ones are the plain run's.
tdm_add_locale_run(startup_archive_test de_AT FILTER ArchiveRefusal.*:EachSegment/ChangedByte.*)
