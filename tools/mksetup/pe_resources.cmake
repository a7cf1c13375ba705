# Resource embedding for mksetup: writes named resources into a prebuilt stub exe.
# Portable (no windows.h); included from this folder's CMakeLists.txt, and linked
# into mksetup through the tdm_pe_resources library.
add_library(tdm_pe_resources STATIC
  ${CMAKE_CURRENT_LIST_DIR}/pe_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_imports.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_resource_tree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_resource_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_resources.cpp)
target_include_directories(tdm_pe_resources PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(tdm_pe_resources PRIVATE tdm_warnings)

if(NOT WIN32)
  tdm_add_test(pe_resources_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/pe_resources_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/testing/pe_test_image.cpp
    LIBS tdm_pe_resources)
  target_include_directories(pe_resources_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/testing)
endif()
