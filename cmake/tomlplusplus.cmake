# toml++, header-only, from Debian's libtomlplusplus-dev (the recipe reader
# compiles it into its one source file). A native build finds it in the
# system's include folder. A cross build (Windows) must not search the host's
# /usr/include, whose C library headers would shadow MinGW's: it gets a folder
# of its own in the build folder that holds only a link to the toml++ headers.
if(NOT TARGET kq_tomlplusplus)
  add_library(kq_tomlplusplus INTERFACE)
  set(KQ_TOMLPLUSPLUS_HEADERS /usr/include/toml++ CACHE PATH "The toml++ headers (holding toml.h)")
  if(NOT EXISTS ${KQ_TOMLPLUSPLUS_HEADERS}/toml.h)
    message(FATAL_ERROR "toml++/toml.h not found in ${KQ_TOMLPLUSPLUS_HEADERS}: install libtomlplusplus-dev")
  endif()
  if(CMAKE_CROSSCOMPILING)
    set(kq_toml_include ${CMAKE_BINARY_DIR}/tomlplusplus-include)
    file(MAKE_DIRECTORY ${kq_toml_include})
    file(CREATE_LINK ${KQ_TOMLPLUSPLUS_HEADERS} ${kq_toml_include}/toml++ SYMBOLIC)
    target_include_directories(kq_tomlplusplus INTERFACE ${kq_toml_include})
  endif()
endif()
