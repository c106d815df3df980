# The product's version for the programs, and the Windows programs' version
# resource and icon.

configure_file(${PROJECT_SOURCE_DIR}/resources/pellowen_version.h.in
               ${PROJECT_BINARY_DIR}/generated/pellowen_version.h @ONLY)
add_library(pellowen_version INTERFACE)
target_include_directories(pellowen_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# Gives a Windows program its version resource (product name, version, the
# description numbered `program` in resources/program_info.rc) and the
# application icon. Does nothing elsewhere.
function(pellowen_program_info target program)
  if(NOT WIN32)
    return()
  endif()
  set(rc ${PROJECT_SOURCE_DIR}/resources/program_info.rc)
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/pellowen.ico;${PROJECT_BINARY_DIR}/generated/pellowen_version.h")
  target_sources(${target} PRIVATE ${rc})
  target_compile_definitions(${target} PRIVATE PELLOWEN_PROGRAM=${program})
  target_link_libraries(${target} PRIVATE pellowen_version)
endfunction()
