# Turns one resource file into a C++ source holding its bytes. Run by resources/CMakeLists.txt at build
# time as: cmake -DINPUT=<file> -DOUTPUT=<source> -DSYMBOL=<identifier> -P EmbedFile.cmake
foreach(var INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "EmbedFile.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
file(SIZE "${INPUT}" size)
# 32 bytes (64 hex digits) per line, each byte as 0xNN.
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])"
  "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")

get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from resources/${name}; do not edit.
#include <cstddef>

namespace quorvane::resources::detail {

// One zero byte follows the data so that the array is never empty; it is not counted in the size.
extern const unsigned char ${SYMBOL}_data[];
extern const std::size_t ${SYMBOL}_size;

alignas(16) const unsigned char ${SYMBOL}_data[] = {
${bytes}
0x00};
const std::size_t ${SYMBOL}_size = ${size};

} // namespace quorvane::resources::detail
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
