# Earlier installations: a full installation refused over one, an update taking its
# settings from one, and the installed client's version deciding whether it runs.
if(NOT TARGET tdm_e2e_support)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/support ${CMAKE_CURRENT_BINARY_DIR}/e2e/support)
endif()

if(NOT TARGET tdm_e2e_earlier_support)
  add_library(tdm_e2e_earlier_support STATIC ${CMAKE_CURRENT_LIST_DIR}/earlier_support.cpp)
  target_include_directories(tdm_e2e_earlier_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(tdm_e2e_earlier_support PUBLIC tdm_e2e_support PRIVATE tdm_warnings)
endif()

tdm_add_test(earlier_full_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/earlier_full_test.cpp
             LIBS tdm_e2e_earlier_support)
tdm_add_test(earlier_update_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/earlier_update_test.cpp
             LIBS tdm_e2e_earlier_support)
tdm_add_test(earlier_version_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/earlier_version_test.cpp
             LIBS tdm_e2e_earlier_support)
# The texts that follow the user's own language (a refusal before any language is
# registered, the settings page's directory refusal) once as an Austrian user and
# once as a French one.
tdm_add_locale_run(earlier_update_test de_AT FILTER *WithoutLanguage*)
tdm_add_locale_run(earlier_update_test fr_FR FILTER *WithoutLanguage*)
tdm_add_locale_run(earlier_full_test de_AT FILTER *Directory*)
tdm_add_locale_run(earlier_full_test fr_FR FILTER *Directory*)

# The demo release's two installers as the build makes them.
get_property(tdm_demo_full_setup GLOBAL PROPERTY TDM_DEMO_FULL_SETUP)
get_property(tdm_demo_update_setup GLOBAL PROPERTY TDM_DEMO_UPDATE_SETUP)
if(tdm_demo_full_setup AND tdm_demo_update_setup)
  tdm_add_test(earlier_demo_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/earlier_demo_test.cpp
               LIBS tdm_e2e_earlier_support)
  target_compile_definitions(earlier_demo_test PRIVATE
                             TDM_DEMO_FULL_SETUP="${tdm_demo_full_setup}"
                             TDM_DEMO_UPDATE_SETUP="${tdm_demo_update_setup}")
  add_dependencies(earlier_demo_test demo_setup)
endif()
