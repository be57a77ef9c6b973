# Header-only libraries from Debian (/usr/include) for the command-line programs. The mingw build
# cannot search /usr/include as a whole (its C library headers would shadow mingw's), so it gets a
# folder with links to just these libraries.
include_guard(GLOBAL)

add_library(quillet_asio INTERFACE)
# clang 14 with libstdc++ has C++20 coroutines, which Asio's detection misses.
target_compile_definitions(quillet_asio INTERFACE ASIO_NO_DEPRECATED ASIO_HAS_CO_AWAIT=1
                                                  ASIO_HAS_STD_COROUTINE=1)
if(NOT WIN32 AND QUILLET_SANITIZE)
  # Coroutine frames trip clang's function sanitizer ("difference across sections").
  target_compile_options(quillet_asio INTERFACE -fno-sanitize=function)
endif()

if(WIN32)
  set(QUILLET_HEADER_LINKS ${CMAKE_BINARY_DIR}/header-links)
  foreach(entry asio asio.hpp CLI nlohmann)
    if(NOT EXISTS /usr/include/${entry})
      message(FATAL_ERROR "/usr/include/${entry} is missing: run scripts/deps.sh")
    endif()
    file(MAKE_DIRECTORY ${QUILLET_HEADER_LINKS})
    file(CREATE_LINK /usr/include/${entry} ${QUILLET_HEADER_LINKS}/${entry} SYMBOLIC)
  endforeach()
  target_include_directories(quillet_asio SYSTEM INTERFACE ${QUILLET_HEADER_LINKS})
endif()

add_library(quillet_cli INTERFACE)
add_library(quillet_json INTERFACE)
if(WIN32)
  target_include_directories(quillet_cli SYSTEM INTERFACE ${QUILLET_HEADER_LINKS})
  target_include_directories(quillet_json SYSTEM INTERFACE ${QUILLET_HEADER_LINKS})
endif()
