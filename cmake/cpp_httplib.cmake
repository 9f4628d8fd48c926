# cpp-httplib, header-only, from third_party/cpp-httplib (the same header for
# the Linux and the Windows build; see the README there). The target
# kq_cpp_httplib gives its include folder and what it links: the threads
# library, and Winsock on Windows. Include it through
# station_view/http_library.h only, so that every file sees the same limits.
if(TARGET kq_cpp_httplib)
  return()
endif()
find_package(Threads REQUIRED)
add_library(kq_cpp_httplib INTERFACE)
target_include_directories(kq_cpp_httplib SYSTEM INTERFACE ${PROJECT_SOURCE_DIR}/third_party/cpp-httplib)
target_link_libraries(kq_cpp_httplib INTERFACE Threads::Threads)
if(WIN32)
  target_link_libraries(kq_cpp_httplib INTERFACE ws2_32)
endif()
# GCC 12 warns of "maybe uninitialized" members deep inside libstdc++'s
# <regex> (which the header uses) when the sanitizers are on: a false alarm.
if(KQ_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(kq_cpp_httplib INTERFACE -Wno-maybe-uninitialized)
endif()
