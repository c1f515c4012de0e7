# Two builds share one tree: the portable halves of the subsystems (no Windows headers) build
# everywhere, the Windows halves and the product only in the Windows build.

if(MSVC)
  set(MYR_WARNINGS /W4 /permissive-)
else()
  set(MYR_WARNINGS -Wall -Wextra -Wpedantic)
endif()

# The tests' own code needs no more than -O1: at -O3 its compiling took a third longer, while
# the product code it drives keeps the release build's optimisation.
if(NOT MSVC)
  set(MYR_TEST_OPTIMIZATION $<$<CONFIG:Release>:-O1>)
endif()

if(MYR_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(MYR_FUZZ AND NOT WIN32)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  if(MINGW)
    # The game folder must need nothing else: link the C++ runtime and winpthread statically.
    add_link_options(-static -static-libgcc -static-libstdc++)
  elseif(MSVC)
    set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  endif()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

# myr_subsystem(<name> PORTABLE <sources> WINDOWS <sources> SYSTEM_LIBRARIES <libs>)
# Makes myr_<name> (portable half, every build) and, in the Windows build, myr_<name>_win
# (files ending in _win, linked to its portable half and to the Windows halves below it).
function(myr_subsystem name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PORTABLE;WINDOWS;SYSTEM_LIBRARIES")
  set(portable myr_${name})
  if(arg_PORTABLE)
    add_library(${portable} STATIC ${arg_PORTABLE})
    target_compile_options(${portable} PRIVATE ${MYR_WARNINGS})
    set(scope PUBLIC)
  else()
    add_library(${portable} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${portable} ${scope} ${PROJECT_SOURCE_DIR}/src)
  foreach(used IN LISTS MYR_LAYER_${name})
    target_link_libraries(${portable} ${scope} myr_${used})
  endforeach()
  if(TARGET myr_layer_check)
    add_dependencies(${portable} myr_layer_check)
  endif()
  if(NOT WIN32)
    return()
  endif()
  set(windows myr_${name}_win)
  if(arg_WINDOWS)
    add_library(${windows} STATIC ${arg_WINDOWS})
    target_compile_options(${windows} PRIVATE ${MYR_WARNINGS})
    set(scope PUBLIC)
  else()
    add_library(${windows} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_link_libraries(${windows} ${scope} ${portable} ${arg_SYSTEM_LIBRARIES})
  foreach(used IN LISTS MYR_LAYER_${name})
    target_link_libraries(${windows} ${scope} myr_${used}_win)
  endforeach()
endfunction()

function(myr_add_googletest)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(MYR_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest package)")
  add_subdirectory(${MYR_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endfunction()

# myr_core_test(<name> <sources> USES <subsystems>): a test of portable halves; runs natively
# (with sanitizers) and, in the Windows build, under Wine.
function(myr_core_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "USES")
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  foreach(used IN LISTS arg_USES)
    target_link_libraries(${name} PRIVATE myr_${used})
  endforeach()
  target_link_libraries(${name} PRIVATE myr_test_tools GTest::gmock_main)
  target_compile_options(${name} PRIVATE ${MYR_WARNINGS} ${MYR_TEST_OPTIMIZATION})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS core TIMEOUT 300)
endfunction()

# myr_win_test(<name> <sources> USES <subsystems>): a test that calls Windows; Windows build
# only, run under Wine, linked to the Windows halves it names.
function(myr_win_test name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "USES")
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  foreach(used IN LISTS arg_USES)
    target_link_libraries(${name} PRIVATE myr_${used}_win)
  endforeach()
  target_link_libraries(${name} PRIVATE myr_test_tools myr_test_support GTest::gmock_main)
  target_compile_options(${name} PRIVATE ${MYR_WARNINGS} ${MYR_TEST_OPTIMIZATION})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS windows TIMEOUT 300)
endfunction()

# myr_windows_program(<name> [GUI] <sources> LIBRARIES <libraries>): a Windows program of the
# project whose entry is wmain, or wWinMain with GUI.
function(myr_windows_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "GUI" "" "LIBRARIES")
  set(kind "")
  if(arg_GUI)
    set(kind WIN32)
  endif()
  add_executable(${name} ${kind} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
  target_compile_options(${name} PRIVATE ${MYR_WARNINGS})
  if(MINGW)
    target_link_options(${name} PRIVATE -municode)
  endif()
endfunction()

# A path of this machine as the Windows program sees it (Wine maps / to drive Z:).
function(myr_windows_path out path)
  if(CMAKE_CROSSCOMPILING)
    set(${out} "Z:${path}" PARENT_SCOPE)
  else()
    set(${out} "${path}" PARENT_SCOPE)
  endif()
endfunction()

# A test that starts the real launcher from the game folder; such tests never run side by side
# because the launcher allows one instance per session.
function(myr_launcher_test name)
  if(NOT WIN32)
    return()
  endif()
  myr_win_test(${name} ${ARGN})
  set_tests_properties(${name} PROPERTIES RESOURCE_LOCK launcher LABELS "windows;launcher")
endfunction()
