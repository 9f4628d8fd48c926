# GoogleTest for the tests: Debian's packaged libraries in a native build;
# in a cross build (Windows) built from Debian's sources, package googletest.
if(CMAKE_CROSSCOMPILING)
  set(KQ_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KQ_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The test programs run under an emulator (Wine), which is there when the
  # tests run, not necessarily while they are built: list their tests then.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
