# The directory dialog behind the wizard's ">>" button, driven in the demo installer.
# Drive D: of each run is a Unix folder on another file system than C:, so that the
# free space differs between the two drives.
get_property(TDM_DEMO_FULL_SETUP_EXE GLOBAL PROPERTY TDM_DEMO_FULL_SETUP)
tdm_add_test(directory_dialog_test
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/directory_browse_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/directory_confirm_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/directory_language_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/directory_support.cpp
             LIBS tdm_driver tdm_e2e_support)
target_include_directories(directory_dialog_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(directory_dialog_test PRIVATE
                           TDM_DEMO_FULL_SETUP="${TDM_DEMO_FULL_SETUP_EXE}")
add_dependencies(directory_dialog_test demo_setup)
set(TDM_DIRECTORY_DRIVES "TDM_WINE_DRIVES=d=/dev/shm")
set_tests_properties(directory_dialog_test PROPERTIES ENVIRONMENT "${TDM_DIRECTORY_DRIVES}")
tdm_add_locale_run(directory_dialog_test de_AT ENVIRONMENT "${TDM_DIRECTORY_DRIVES}")
tdm_add_locale_run(directory_dialog_test fr_FR ENVIRONMENT "${TDM_DIRECTORY_DRIVES}")

# The walk through every page that tools/screenshots records; not a test.
add_executable(directory_screenshot_tour ${CMAKE_CURRENT_LIST_DIR}/directory_screenshot_tour.cpp)
target_link_libraries(directory_screenshot_tour PRIVATE tdm_driver tdm_warnings)
add_dependencies(directory_screenshot_tour demo_setup)
