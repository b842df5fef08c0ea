# The release package: trasvidora-1.00-win64.zip with trasvidora.exe, an empty "remesas" folder
# and LEEME.txt. Built with "cmake --build --preset windows --target package".
if(NOT WIN32 OR NOT TARGET trasvidora)
  return()
endif()

# One small executable: sections the program never uses are dropped and the symbols stripped.
set(size_optimised $<OR:$<CONFIG:MinSizeRel>,$<CONFIG:Release>>)
foreach(target remittance trasvidora_window trasvidora)
  if(TARGET ${target})
    target_compile_options(${target} PRIVATE $<${size_optimised}:-ffunction-sections -fdata-sections>)
  endif()
endforeach()
target_link_options(trasvidora PRIVATE $<${size_optimised}:-s -Wl,--gc-sections>)

# The reading notes go out with Windows line ends, so that any editor shows them as written.
configure_file(${CMAKE_CURRENT_LIST_DIR}/LEEME.txt ${CMAKE_CURRENT_BINARY_DIR}/package/LEEME.txt
               @ONLY NEWLINE_STYLE CRLF)

install(TARGETS trasvidora RUNTIME DESTINATION .)
install(DIRECTORY DESTINATION remesas)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/package/LEEME.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME trasvidora)
set(CPACK_PACKAGE_VENDOR Velmor)
set(CPACK_PACKAGE_VERSION 1.00)
set(CPACK_PACKAGE_FILE_NAME trasvidora-1.00-win64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Cambia remesa SEPA a anticipos de cobro")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
