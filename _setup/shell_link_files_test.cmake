# Reads the link files that one installation left in ${LINKS} (desktop/ and
# programs/) with lnkinfo, a reader that owes nothing to Windows or Wine, and checks
# target, working directory and show command of each. lnkinfo misreports the show
# command, so that is read from its place in the file (offset 0x3C, little-endian).
# Run: cmake -DLINKS=<folder> -P shell_link_files_test.cmake
if(NOT LINKS)
  message(FATAL_ERROR "LINKS not given")
endif()
get_filename_component(LINKS "${LINKS}" ABSOLUTE)
find_program(LNKINFO lnkinfo REQUIRED)

# where Installation.CurrentUserInEnglishAcrossThreeSegments installs
set(install_dir "C:\\tdm-engine\\CurrentUserInEnglishAcrossThreeSegments\\Games\\Tidemoor")
# link file (relative to LINKS) | target file in the installation directory
set(expected
    "desktop/Tidemoor.lnk|TDMClient.exe"
    "programs/Tidemoor/Tidemoor Uninstallation.lnk|uninstall.exe"
    "programs/Tidemoor/Tidemoor.lnk|TDMClient.exe"
    "programs/Tidemoor/Tidemoor Setup.lnk|TDMOptions.exe"
    "programs/Tidemoor/Readme.lnk|docs\\readme.txt")

file(GLOB_RECURSE found RELATIVE ${LINKS} ${LINKS}/*.lnk)
list(LENGTH found found_count)
list(LENGTH expected expected_count)
if(NOT found_count EQUAL expected_count)
  message(FATAL_ERROR "expected ${expected_count} link files, found: ${found}")
endif()

set(failures 0)
foreach(entry IN LISTS expected)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 link)
  list(GET parts 1 target)
  if(NOT EXISTS "${LINKS}/${link}")
    message(SEND_ERROR "missing ${link}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  execute_process(COMMAND ${LNKINFO} "${LINKS}/${link}" OUTPUT_VARIABLE info RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(SEND_ERROR "lnkinfo cannot read ${link}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  string(REGEX MATCH "Local path[^\n]*: ([^\n]*)" _ "${info}")
  set(local_path "${CMAKE_MATCH_1}")
  string(REGEX MATCH "Working directory[^\n]*: ([^\n]*)" _ "${info}")
  set(working_directory "${CMAKE_MATCH_1}")
  file(READ "${LINKS}/${link}" show_command OFFSET 60 LIMIT 4 HEX)
  if(NOT local_path STREQUAL "${install_dir}\\${target}")
    message(SEND_ERROR "${link}: target '${local_path}', expected '${install_dir}\\${target}'")
    math(EXPR failures "${failures} + 1")
  endif()
  if(NOT working_directory STREQUAL install_dir)
    message(SEND_ERROR "${link}: working directory '${working_directory}'")
    math(EXPR failures "${failures} + 1")
  endif()
  if(NOT show_command STREQUAL "01000000")
    message(SEND_ERROR "${link}: show command bytes ${show_command}, expected 01000000")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} link check(s) failed")
endif()
message(STATUS "${expected_count} link files read back with lnkinfo")
