# Copies the Python parts of the package (trakvia/*.py, trakvia/ui/) into the bundle on every build.
file(GLOB_RECURSE TRAKVIA_PY_SOURCES CONFIGURE_DEPENDS
  "${CMAKE_SOURCE_DIR}/trakvia/*.py")
set(stamps)
foreach(src ${TRAKVIA_PY_SOURCES})
  file(RELATIVE_PATH rel "${CMAKE_SOURCE_DIR}" "${src}")
  set(dst "${TRAKVIA_BUNDLE_DIR}/${rel}")
  add_custom_command(OUTPUT "${dst}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${src}" "${dst}"
    DEPENDS "${src}" VERBATIM)
  list(APPEND stamps "${dst}")
endforeach()
add_custom_target(trakvia_python_package ALL DEPENDS ${stamps})

install(DIRECTORY "${TRAKVIA_BUNDLE_DIR}/" DESTINATION "." USE_SOURCE_PERMISSIONS
  PATTERN "__pycache__" EXCLUDE)
