# Finds CPython 3.12 and nanobind, and defines trakvia_add_extension().
find_package(Python 3.12 EXACT REQUIRED COMPONENTS Interpreter Development.Module OPTIONAL_COMPONENTS Development.Embed)

execute_process(
  COMMAND "${Python_EXECUTABLE}" -m nanobind --cmake_dir
  OUTPUT_STRIP_TRAILING_WHITESPACE OUTPUT_VARIABLE nanobind_ROOT
  RESULT_VARIABLE nanobind_found)
if(NOT nanobind_found EQUAL 0)
  message(FATAL_ERROR "nanobind is not installed for ${Python_EXECUTABLE}; run scripts/setup.sh")
endif()
find_package(nanobind CONFIG REQUIRED)

# trakvia_add_extension(<target> MODULE <name> DEST <bundle subfolder or .> SOURCES ...)
# Builds one extension module with the interpreter's own suffix straight into the bundle.
function(trakvia_add_extension target)
  cmake_parse_arguments(ARG "" "MODULE;DEST" "SOURCES;LIBS" ${ARGN})
  nanobind_add_module(${target} NB_STATIC ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS})
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
  set(out "${TRAKVIA_BUNDLE_DIR}/${ARG_DEST}")
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${ARG_MODULE}
    LIBRARY_OUTPUT_DIRECTORY "${out}"
    RUNTIME_OUTPUT_DIRECTORY "${out}")
  foreach(cfg ${CMAKE_CONFIGURATION_TYPES})
    string(TOUPPER ${cfg} CFG)
    set_target_properties(${target} PROPERTIES
      LIBRARY_OUTPUT_DIRECTORY_${CFG} "${out}"
      RUNTIME_OUTPUT_DIRECTORY_${CFG} "${out}")
  endforeach()
  add_dependencies(${target} trakvia_python_package)
  install(TARGETS ${target} LIBRARY DESTINATION "${ARG_DEST}" RUNTIME DESTINATION "${ARG_DEST}")
endfunction()
