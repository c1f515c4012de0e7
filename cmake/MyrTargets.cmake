# Two builds share one tree: the portable core (no Windows headers) builds everywhere,
# the Windows part and the product only in the Windows build.

if(MSVC)
  set(MYR_WARNINGS /W4 /permissive-)
else()
  set(MYR_WARNINGS -Wall -Wextra -Wpedantic)
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

define_property(GLOBAL PROPERTY MYR_CORE_SOURCES BRIEF_DOCS "portable sources" FULL_DOCS "portable sources")
define_property(GLOBAL PROPERTY MYR_WIN_SOURCES BRIEF_DOCS "Windows sources" FULL_DOCS "Windows sources")

# Portable logic: no Windows header, built natively and for Windows.
function(myr_core_sources)
  foreach(f IN LISTS ARGN)
    set_property(GLOBAL APPEND PROPERTY MYR_CORE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
endfunction()

# Code that calls Windows: built only in the Windows build.
function(myr_win_sources)
  foreach(f IN LISTS ARGN)
    set_property(GLOBAL APPEND PROPERTY MYR_WIN_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
endfunction()

function(myr_add_googletest)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(MYR_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest package)")
  add_subdirectory(${MYR_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endfunction()

# A test of the portable core: runs natively (with sanitizers) and, in the Windows build, under Wine.
function(myr_core_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE myr_core GTest::gmock_main)
  target_compile_options(${name} PRIVATE ${MYR_WARNINGS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS core TIMEOUT 300)
endfunction()

# A test that calls Windows: Windows build only, run under Wine.
function(myr_win_test name)
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE myr_win myr_core myr_test_support GTest::gmock_main)
  target_compile_options(${name} PRIVATE ${MYR_WARNINGS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS windows TIMEOUT 300)
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
