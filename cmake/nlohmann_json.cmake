# nlohmann-json, header-only: the target kq_nlohmann_json gives its include
# folder. A native build takes Debian's package (nlohmann-json3-dev); a cross
# build (Windows) takes the same header from a folder that holds only it, so
# that the host's other headers (sql.h of unixODBC, say) never shadow the
# MinGW ones.
if(TARGET kq_nlohmann_json)
  return()
endif()
add_library(kq_nlohmann_json INTERFACE)
if(CMAKE_CROSSCOMPILING)
  set(KQ_NLOHMANN_JSON_HEADERS /usr/include/nlohmann CACHE PATH "Folder of the host's nlohmann-json headers")
  if(NOT EXISTS ${KQ_NLOHMANN_JSON_HEADERS}/json.hpp)
    message(FATAL_ERROR "nlohmann/json.hpp not found in ${KQ_NLOHMANN_JSON_HEADERS} (Debian: nlohmann-json3-dev)")
  endif()
  file(COPY ${KQ_NLOHMANN_JSON_HEADERS} DESTINATION ${CMAKE_BINARY_DIR}/third_party/include)
  target_include_directories(kq_nlohmann_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/third_party/include)
else()
  find_package(nlohmann_json 3.10 REQUIRED)
  target_link_libraries(kq_nlohmann_json INTERFACE nlohmann_json::nlohmann_json)
endif()
