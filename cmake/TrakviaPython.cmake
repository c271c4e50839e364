# Finds CPython 3.12 and nanobind, and defines trakvia_output_to() and trakvia_add_extension().
find_package(Python 3.12 EXACT REQUIRED COMPONENTS Interpreter Development.Module OPTIONAL_COMPONENTS Development.Embed)

execute_process(
  COMMAND "${Python_EXECUTABLE}" -m nanobind --cmake_dir
  OUTPUT_STRIP_TRAILING_WHITESPACE OUTPUT_VARIABLE nanobind_ROOT
  RESULT_VARIABLE nanobind_found)
if(NOT nanobind_found EQUAL 0)
  message(FATAL_ERROR "nanobind is not installed for ${Python_EXECUTABLE}; run scripts/setup.sh")
endif()
find_package(nanobind CONFIG REQUIRED)

# trakvia_output_to(<target> <folder>)
# Builds the target's program or library straight into <folder>, in every configuration.
function(trakvia_output_to target folder)
  set_target_properties(${target} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY "${folder}"
    RUNTIME_OUTPUT_DIRECTORY "${folder}")
  foreach(cfg ${CMAKE_CONFIGURATION_TYPES})
    string(TOUPPER ${cfg} CFG)
    set_target_properties(${target} PROPERTIES
      LIBRARY_OUTPUT_DIRECTORY_${CFG} "${folder}"
      RUNTIME_OUTPUT_DIRECTORY_${CFG} "${folder}")
  endforeach()
endfunction()

# trakvia_add_extension(<target> MODULE <name> DEST <bundle subfolder or .> SOURCES ...)
# Builds one extension module with the interpreter's own suffix straight into the bundle.
function(trakvia_add_extension target)
  cmake_parse_arguments(ARG "" "MODULE;DEST" "SOURCES;LIBS" ${ARGN})
  nanobind_add_module(${target} NB_STATIC ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS})
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${ARG_MODULE})
  trakvia_output_to(${target} "${TRAKVIA_BUNDLE_DIR}/${ARG_DEST}")
  add_dependencies(${target} trakvia_python_package)
  install(TARGETS ${target} LIBRARY DESTINATION "${ARG_DEST}" RUNTIME DESTINATION "${ARG_DEST}")
endfunction()
