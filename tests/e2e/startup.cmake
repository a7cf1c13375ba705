# Start-up of Setup.exe: archive loading and its refusals, the preparation window,
# the command line and the log. Also brings in the support library every area uses.
if(NOT TARGET tdm_e2e_support)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/support ${CMAKE_CURRENT_BINARY_DIR}/e2e/support)
endif()

foreach(name archive structure log language)
  tdm_add_test(startup_${name}_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_${name}_test.cpp
               LIBS tdm_e2e_support)
endforeach()
# The refusal texts in German; the English ones are the plain run's.
tdm_add_locale_run(startup_archive_test de_AT FILTER ArchiveRefusal.*:EachSegment/ChangedByte.*)
tdm_add_locale_run(startup_structure_test de_AT FILTER *TextWithoutNul)
# The preparation window and the wizard as an Austrian and as a French user.
tdm_add_locale_run(startup_language_test de_AT ENVIRONMENT TDM_EXPECTED_LANGID=0C07)
tdm_add_locale_run(startup_language_test fr_FR ENVIRONMENT TDM_EXPECTED_LANGID=040C)

# In-process: the checksum's progress on the preparation window, with message boxes
# recorded instead of shown.
tdm_add_test(startup_progress_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_progress_test.cpp
             LIBS tdm_setup_forms tdm_registry_calls ${TDM_GMOCK})
