# The installation as a user runs it: the demo's full release through every page of
# the wizard for the current user and for all users, then the demo's update over it.
if(NOT TARGET tdm_e2e_support)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/support ${CMAKE_CURRENT_BINARY_DIR}/e2e/support)
endif()
include(${CMAKE_SOURCE_DIR}/demo/demo_paths.cmake)

add_executable(tdm_notepad_standin WIN32 ${CMAKE_CURRENT_LIST_DIR}/install_notepad_standin.cpp)
target_link_libraries(tdm_notepad_standin PRIVATE tdm_warnings)

tdm_add_test(install_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_full_test.cpp
             LIBS tdm_e2e_support tdm_base_core)
get_property(full_setup GLOBAL PROPERTY TDM_DEMO_FULL_SETUP)
get_property(update_setup GLOBAL PROPERTY TDM_DEMO_UPDATE_SETUP)
target_compile_definitions(install_e2e_test PRIVATE
                           TDM_DEMO_FULL_SETUP="${full_setup}"
                           TDM_DEMO_UPDATE_SETUP="${update_setup}"
                           TDM_DEMO_FULL_PAYLOAD="${TDM_DEMO_FULL_PAYLOAD}"
                           TDM_DEMO_UPDATE_PAYLOAD="${TDM_DEMO_UPDATE_PAYLOAD}"
                           TDM_NOTEPAD_STANDIN="$<TARGET_FILE:tdm_notepad_standin>")
add_dependencies(install_e2e_test demo_setup tdm_notepad_standin)
set_tests_properties(install_e2e_test PROPERTIES TIMEOUT 900)
tdm_add_locale_run(install_e2e_test de_AT)
tdm_add_locale_run(install_e2e_test fr_FR)
set_tests_properties(install_e2e_test_de_AT install_e2e_test_fr_FR PROPERTIES TIMEOUT 900)
