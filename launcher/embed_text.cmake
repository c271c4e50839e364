# Writes a C++ header holding the ASCII text of INPUT as `inline constexpr char VARIABLE[]`.
# Run as: cmake -DINPUT=<file> -DOUTPUT=<header> -DVARIABLE=<name> -P embed_text.cmake
file(READ "${INPUT}" text HEX)
# One byte at a time as hex escapes: no quoting rules to get wrong, no literal length limit.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${text}")
if(bytes MATCHES "0x[89a-f]")
  message(FATAL_ERROR "${INPUT} must be ASCII: the launcher runs it as a fixed ASCII text")
endif()
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 row)
string(REGEX REPLACE "(${row})" "\\1\n    " bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${name} at build time; edit that file instead.\n#pragma once\n\n"
  "inline constexpr char ${VARIABLE}[] = {\n    ${bytes}0x00};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
