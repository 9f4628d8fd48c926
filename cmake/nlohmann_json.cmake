# nlohmann-json, header-only, from Debian's nlohmann-json3-dev. A native
# build takes its CMake package. A cross build (Windows) must not search the
# host's /usr/include, whose C library headers would shadow MinGW's: it gets
# a folder of its own in the build folder that holds only a link to the
# nlohmann headers.
if(CMAKE_CROSSCOMPILING)
  set(KQ_NLOHMANN_JSON_HEADERS /usr/include/nlohmann CACHE PATH "The nlohmann-json headers for a cross build")
  if(NOT EXISTS ${KQ_NLOHMANN_JSON_HEADERS}/json.hpp)
    message(FATAL_ERROR "nlohmann/json.hpp not found in ${KQ_NLOHMANN_JSON_HEADERS}: install nlohmann-json3-dev")
  endif()
  set(kq_json_include ${CMAKE_BINARY_DIR}/nlohmann-json-include)
  file(MAKE_DIRECTORY ${kq_json_include})
  file(CREATE_LINK ${KQ_NLOHMANN_JSON_HEADERS} ${kq_json_include}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${kq_json_include})
else()
  find_package(nlohmann_json 3 REQUIRED)
endif()
