# Generates the table of the game's files from a digest list in sha1sum format: eleven lines of
# 40 lower-case hexadecimal digits, two blanks and the file name, in the order below. The list
# in this folder holds the demo disc's digests; a release build points MYR_GAME_FILE_DIGESTS at
# the retail disc's list.

set(MYR_GAME_FILE_DIGESTS "${CMAKE_CURRENT_LIST_DIR}/game_file_digests.sha1" CACHE FILEPATH
    "Digest list (sha1sum format) of the eleven game files the launcher extracts and verifies")

set(game_file_table_template "${CMAKE_CURRENT_LIST_DIR}/game_file_table.cpp.in")
set(game_file_names SYSTEM.CNF SYSPATCH.IMG MODPAK.BIN MDA.IRX MDB.IRX MDC.IRX OV_MAIN_ONE_US.OVL
    OV_MAIN_TWO_US.OVL OV_MAIN_THREE_US.OVL OV_MAIN_FOUR_US.OVL QXUS_404.04)

function(myr_game_file_table output)
  set(list_file "${MYR_GAME_FILE_DIGESTS}")
  set(expected_form "each line: 40 lower-case hexadecimal digits, two blanks, the file name; the names in this order: ${game_file_names}")
  if(NOT EXISTS "${list_file}" OR IS_DIRECTORY "${list_file}")
    message(FATAL_ERROR "MYR_GAME_FILE_DIGESTS: ${list_file} is not a file (${expected_form}).")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${list_file}")
  file(READ "${list_file}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE ";" "\\;" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  list(LENGTH lines count)
  list(LENGTH game_file_names wanted)
  if(NOT count EQUAL wanted)
    message(FATAL_ERROR "MYR_GAME_FILE_DIGESTS: ${list_file} has ${count} lines, not ${wanted} (${expected_form}).")
  endif()
  set(rows "")
  foreach(index RANGE 1 ${wanted})
    math(EXPR at "${index} - 1")
    list(GET lines ${at} line)
    list(GET game_file_names ${at} name)
    if(NOT line MATCHES "^([0-9a-f]+)  (.*)$" OR NOT CMAKE_MATCH_2 STREQUAL name)
      message(FATAL_ERROR "MYR_GAME_FILE_DIGESTS: ${list_file} line ${index} is \"${line}\", expected the digest of ${name} (${expected_form}).")
    endif()
    string(LENGTH "${CMAKE_MATCH_1}" digits)
    if(NOT digits EQUAL 40)
      message(FATAL_ERROR "MYR_GAME_FILE_DIGESTS: ${list_file} line ${index}: the digest of ${name} has ${digits} digits, not 40 (${expected_form}).")
    endif()
    string(APPEND rows "    GameFile{\"${name}\", \"${CMAKE_MATCH_1}\"},\n")
  endforeach()
  set(MYR_GAME_FILE_ROWS "${rows}")
  set(MYR_GAME_FILE_SOURCE "${list_file}")
  configure_file("${game_file_table_template}" "${output}" @ONLY)
endfunction()
