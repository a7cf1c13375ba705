# Faults during installation: the demo Setup.exe against a full disk, a read-only
# medium, a file held open, plain files in the way, a refusing registry; its log on a
# read-only medium; what a whole installation changes in the prefix; archives whose
# names try to leave the installation directory.
get_property(tdm_faults_full_setup GLOBAL PROPERTY TDM_DEMO_FULL_SETUP)
include(${CMAKE_SOURCE_DIR}/demo/demo_paths.cmake)
set(tdm_faults_dir ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
# Without Wine's menu builder, whose entries for new links land in the Unix home.
set(tdm_faults_quiet_wine "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=")

# Setup.exe whose registry takes no writes, with the demo's full archive inside.
add_executable(setup_stub_registry_refused WIN32 ${CMAKE_SOURCE_DIR}/_setup/Setup.cpp
                                                 ${CMAKE_SOURCE_DIR}/_setup/setup.rc
                                                 $<TARGET_OBJECTS:tdm_registry_refused>)
target_link_libraries(setup_stub_registry_refused PRIVATE tdm_setup_forms tdm_gui_message_box
                                                          tdm_warnings)
set(tdm_faults_registry_setup ${CMAKE_CURRENT_BINARY_DIR}/faults-registry/Setup.exe)
add_custom_command(
  OUTPUT ${tdm_faults_registry_setup}
  COMMAND ${TDM_MKSETUP} setup ${TDM_DEMO_FULL_MANIFEST} --stub
          $<TARGET_FILE:setup_stub_registry_refused> -o ${tdm_faults_registry_setup}
          --payload ${TDM_DEMO_FULL_PAYLOAD}
  DEPENDS setup_stub_registry_refused ${TDM_DEMO_FULL_MANIFEST}
  COMMENT "Building the demo Setup.exe with a registry that takes no writes"
  VERBATIM)
add_custom_target(faults_registry_setup DEPENDS ${tdm_faults_registry_setup})
add_dependencies(faults_registry_setup demo_full_payload)

add_library(tdm_faults_support STATIC ${tdm_faults_dir}/faults_support.cpp)
target_include_directories(tdm_faults_support PUBLIC ${tdm_faults_dir})
target_link_libraries(tdm_faults_support PUBLIC tdm_driver tdm_base_core shell32
                      PRIVATE tdm_warnings)
target_compile_definitions(tdm_faults_support PRIVATE TDM_DEMO_FULL_SETUP="${tdm_faults_full_setup}")

# The media: a full and a read-only tmpfs, mounted by the host around the tests that
# use them and seen by those tests as drive M:.
set(tdm_faults_media ${CMAKE_CURRENT_BINARY_DIR}/faults-media)
add_test(NAME faults_media_mount
         COMMAND bash ${tdm_faults_dir}/faults_media.sh mount ${tdm_faults_media}
                 ${TDM_DEMO_FULL_PAYLOAD} ${tdm_faults_full_setup})
add_test(NAME faults_media_unmount
         COMMAND bash ${tdm_faults_dir}/faults_media.sh unmount ${tdm_faults_media})
set_tests_properties(faults_media_mount PROPERTIES FIXTURES_SETUP faults_media)
set_tests_properties(faults_media_unmount PROPERTIES FIXTURES_CLEANUP faults_media)

tdm_add_test(faults_test SOURCES ${tdm_faults_dir}/faults_test.cpp LIBS tdm_faults_support)
target_compile_definitions(faults_test PRIVATE
                           TDM_FAULTS_REGISTRY_SETUP="${tdm_faults_registry_setup}"
                           TDM_DEMO_FULL_PAYLOAD="${TDM_DEMO_FULL_PAYLOAD}")
add_dependencies(faults_test demo_setup faults_registry_setup)
set_tests_properties(faults_test PROPERTIES FIXTURES_REQUIRED faults_media
                     ENVIRONMENT "TDM_WINE_DRIVES=m=${tdm_faults_media};${tdm_faults_quiet_wine};TDM_REGISTRY_REFUSE=all")

tdm_add_test(faults_log_test SOURCES ${tdm_faults_dir}/faults_log_test.cpp LIBS tdm_faults_support)
add_dependencies(faults_log_test demo_setup)
set_tests_properties(faults_log_test PROPERTIES FIXTURES_REQUIRED faults_media
                     ENVIRONMENT "TDM_WINE_DRIVES=m=${tdm_faults_media};${tdm_faults_quiet_wine}")

tdm_add_test(faults_prefix_test SOURCES ${tdm_faults_dir}/faults_prefix_test.cpp
             LIBS tdm_faults_support ${TDM_GMOCK})
target_compile_definitions(faults_prefix_test PRIVATE
                           TDM_DEMO_FULL_SETUP_UNIX="${tdm_faults_full_setup}")
add_dependencies(faults_prefix_test demo_setup)
set_tests_properties(faults_prefix_test PROPERTIES ENVIRONMENT "${tdm_faults_quiet_wine}")

tdm_add_test(faults_names_test SOURCES ${tdm_faults_dir}/faults_names_test.cpp
             LIBS tdm_faults_support tdm_mksetup)
target_compile_definitions(faults_names_test PRIVATE TDM_SETUP_STUB="$<TARGET_FILE:setup_stub>")
add_dependencies(faults_names_test setup_stub)
