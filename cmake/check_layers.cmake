# Fails when a source file breaks the layer table: an include of a subsystem its own may not use,
# or a portable file (no _win in its name) that includes a Windows header or a _win header.
# Run as: cmake -DSOURCE_DIR=<src> -DSTAMP=<file> -P check_layers.cmake
cmake_policy(SET CMP0057 NEW)
include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

set(windows_headers windows.h objidl.h objbase.h combaseapi.h unknwn.h shellapi.h shlobj.h shlwapi.h
    shobjidl.h knownfolders.h dwmapi.h bcrypt.h winhttp.h winsock2.h ws2tcpip.h wincodec.h commdlg.h
    propvarutil.h tlhelp32.h psapi.h winternl.h)

set(problems "")
foreach(subsystem IN LISTS MYR_SUBSYSTEMS)
  file(GLOB_RECURSE files ${SOURCE_DIR}/${subsystem}/*.h ${SOURCE_DIR}/${subsystem}/*.cpp)
  set(allowed ${subsystem} ${MYR_LAYER_${subsystem}})
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include")
    get_filename_component(name ${file} NAME_WE)
    # Windows files end in _win; win_ begins the few foundation names that wrap Windows itself.
    string(REGEX MATCH "(_win$|^win_)" is_windows "${name}")
    foreach(line IN LISTS includes)
      if(line MATCHES "#[ \t]*include[ \t]+\"([a-z_]+)/([^\"]*)\"")
        if(NOT CMAKE_MATCH_1 IN_LIST allowed)
          string(APPEND problems "${file}: ${subsystem} may not include ${CMAKE_MATCH_1}/${CMAKE_MATCH_2}\n")
        endif()
        if(NOT is_windows AND CMAKE_MATCH_2 MATCHES "_win\\.h$")
          string(APPEND problems "${file}: a portable file includes ${CMAKE_MATCH_1}/${CMAKE_MATCH_2}\n")
        endif()
      elseif(NOT is_windows AND line MATCHES "#[ \t]*include[ \t]+<([^>]*)>")
        string(TOLOWER "${CMAKE_MATCH_1}" header)
        if(header IN_LIST windows_headers OR header MATCHES "^wrl/")
          string(APPEND problems "${file}: a portable file includes <${CMAKE_MATCH_1}>\n")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  message(FATAL_ERROR "Layer rules broken:\n${problems}")
endif()
file(TOUCH ${STAMP})
