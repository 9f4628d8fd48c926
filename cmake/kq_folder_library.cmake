# One folder, one library. kq_folder_library(<target> [DEPENDS <targets>...])
# makes a static library of every .cpp file in the calling folder, leaving
# out the other operating system's files (*_posix.cpp on Windows, *_win32.cpp
# elsewhere) and the files named after EXCLUDE (a program's main, say).
# Sources are included from the project root ("link/serial_port.h").
function(kq_folder_library target)
  cmake_parse_arguments(ARG "" "" "DEPENDS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  foreach(name ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "/${name}$")
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
endfunction()
