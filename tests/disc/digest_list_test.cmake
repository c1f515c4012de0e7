# The table of game files comes from the digest list given at configure time: a list of other
# digests ends up in the generated table, and every malformed list stops the configure step with
# a message naming what is wrong. Run as: cmake -DSOURCE_DIR=<repo> -DWORK=<folder> -P <this file>

set(project ${WORK}/project)
file(REMOVE_RECURSE ${WORK})
file(WRITE ${project}/CMakeLists.txt
  "cmake_minimum_required(VERSION 3.25)\nproject(digests NONE)\n"
  "include(${SOURCE_DIR}/src/disc/game_file_table.cmake)\n"
  "myr_game_file_table(\${CMAKE_BINARY_DIR}/table.cpp)\n")
file(READ ${SOURCE_DIR}/src/disc/game_file_digests.sha1 demo)

set(case 0)
# Configures with a list holding text; fails the test unless the outcome matches.
function(expect_configure text succeeds pattern)
  math(EXPR number "${case} + 1")
  set(case ${number} PARENT_SCOPE)
  set(list ${WORK}/list${number}.sha1)
  file(WRITE ${list} "${text}")
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${project} -B ${WORK}/build${number} -DMYR_GAME_FILE_DIGESTS=${list}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REGEX REPLACE "[ \n]+" " " output "${output}")
  if(succeeds)
    file(READ ${WORK}/build${number}/table.cpp output)
  endif()
  if((succeeds AND NOT result EQUAL 0) OR (NOT succeeds AND result EQUAL 0) OR NOT output MATCHES "${pattern}")
    message(FATAL_ERROR "case ${number}: expected ${pattern}, got (${result}): ${output}")
  endif()
endfunction()

string(REPLACE "e5ff433dcc5c2b11a6f7c614c854b3e83b3c37a3" "0123456789abcdef0123456789abcdef01234567" retail "${demo}")
expect_configure("${retail}" TRUE "GameFile{\"SYSTEM.CNF\", \"0123456789abcdef0123456789abcdef01234567\"}")
string(REPLACE "\n" "\r\n" crlf "${demo}")
expect_configure("${crlf}" TRUE "GameFile{\"QXUS_404.04\", \"82b50a340fb0672fafbec582f223fc0550cb4316\"}")
string(REGEX REPLACE "\n[^\n]*\n$" "\n" short "${demo}")
expect_configure("${short}" FALSE "has 10 lines, not 11")
string(REPLACE "  MDA.IRX" " MDA.IRX" one_blank "${demo}")
expect_configure("${one_blank}" FALSE "line 4 is")
string(REPLACE "MDB.IRX" "MDX.IRX" renamed "${demo}")
expect_configure("${renamed}" FALSE "line 5 is .*expected the digest of MDB.IRX")
string(REPLACE "a1d3891f86def0b123aa9b6e6764df105b36e5ed" "A1D3891F86DEF0B123AA9B6E6764DF105B36E5ED" upper "${demo}")
expect_configure("${upper}" FALSE "line 3 is")
string(REPLACE "0c9843328437f09d8b3f51772bde8ecda43d501c" "0c9843328437f09d8b3f51772bde8ecda43d501" cut "${demo}")
expect_configure("${cut}" FALSE "line 4: the digest of MDA.IRX has 39 digits, not 40")
expect_configure("${demo}\n" FALSE "has 12 lines, not 11")
