# The wizard as a user moves through it: navigation, the language switch and the
# disk figures of the settings page.
if(NOT TARGET tdm_e2e_support)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/support ${CMAKE_CURRENT_BINARY_DIR}/e2e/support)
endif()
if(NOT TARGET tdm_e2e_earlier_support)
  add_library(tdm_e2e_earlier_support STATIC ${CMAKE_CURRENT_LIST_DIR}/earlier_support.cpp)
  target_include_directories(tdm_e2e_earlier_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(tdm_e2e_earlier_support PUBLIC tdm_e2e_support PRIVATE tdm_warnings)
endif()

tdm_add_test(wizard_navigation_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/wizard_navigation_test.cpp
             LIBS tdm_e2e_earlier_support)
tdm_add_test(wizard_language_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/wizard_language_test.cpp
             LIBS tdm_e2e_support)
tdm_add_test(wizard_disk_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/wizard_disk_test.cpp
             LIBS tdm_e2e_support)
# The language switch from both starting points: as an Austrian and as a French user.
tdm_add_locale_run(wizard_language_test de_AT)
tdm_add_locale_run(wizard_language_test fr_FR)
# The failure page's texts in German.
tdm_add_locale_run(wizard_navigation_test de_AT FILTER *FailurePage*)
