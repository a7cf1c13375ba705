# Resource embedding for mksetup: writes named resources into a prebuilt stub exe.
# Portable (no windows.h); included from this folder's CMakeLists.txt, and linked
# into mksetup through the tdm_pe_resources library.
add_library(tdm_pe_resources STATIC
  ${CMAKE_CURRENT_LIST_DIR}/pe_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_resource_tree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_resource_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_resources.cpp)
target_include_directories(tdm_pe_resources PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(tdm_pe_resources PRIVATE tdm_warnings)

if(NOT WIN32)
  tdm_add_test(pe_resources_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/pe_resources_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/pe_resources_malformed_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/pe_test_image.cpp
    LIBS tdm_pe_resources)
else()
  # The proof on Windows: a probe program reads its own resources after the writer
  # has put them in. The probe sits beside the test, which finds it there.
  enable_language(RC)
  add_executable(pe_resource_probe ${CMAKE_CURRENT_LIST_DIR}/pe_resource_probe.cpp
                                   ${CMAKE_CURRENT_LIST_DIR}/pe_resource_probe.rc)
  target_include_directories(pe_resource_probe PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(pe_resource_probe PRIVATE version tdm_warnings)
  tdm_add_test(pe_resources_win_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/pe_resources_win_test.cpp
    LIBS tdm_pe_resources)
  set_target_properties(pe_resource_probe pe_resources_win_test PROPERTIES
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  add_dependencies(pe_resources_win_test pe_resource_probe)
endif()
