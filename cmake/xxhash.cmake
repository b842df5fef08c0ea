# xxHash's XXH3, the checksum of the read-back: the header of Debian's libxxhash-dev 0.8.1, used
# header-only. The header alone is copied into the build, so that a Windows build takes no other
# Linux header with it. Another version is refused: the checksum's figures and the licence
# notice of the release are those of this one.
set(TRASVIDORA_XXHASH_VERSION 0.8.1)
find_file(TRASVIDORA_XXHASH_HEADER xxhash.h PATHS /usr/include NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT TRASVIDORA_XXHASH_HEADER)
  message(FATAL_ERROR "xxhash.h not found in /usr/include: install Debian's libxxhash-dev "
                      "${TRASVIDORA_XXHASH_VERSION} (scripts/setup.sh does).")
endif()

file(STRINGS ${TRASVIDORA_XXHASH_HEADER} xxhash_version_lines
     REGEX "^#define XXH_VERSION_(MAJOR|MINOR|RELEASE) +[0-9]+")
set(xxhash_version)
foreach(line IN LISTS xxhash_version_lines)
  string(REGEX MATCH "[0-9]+$" number "${line}")
  list(APPEND xxhash_version ${number})
endforeach()
list(JOIN xxhash_version . xxhash_version)
if(NOT xxhash_version VERSION_EQUAL TRASVIDORA_XXHASH_VERSION)
  message(FATAL_ERROR "${TRASVIDORA_XXHASH_HEADER} is xxHash ${xxhash_version}; trasvidora is "
                      "built with xxHash ${TRASVIDORA_XXHASH_VERSION} only, Debian 12's "
                      "libxxhash-dev.")
endif()

configure_file(${TRASVIDORA_XXHASH_HEADER} ${CMAKE_BINARY_DIR}/xxhash/xxhash.h COPYONLY)
add_library(xxhash_header INTERFACE)
target_include_directories(xxhash_header SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/xxhash)
