# The setup dialog's picture, app/resources/bitmap_1001.bmp, embedded into orlunde_app as a byte
# array (kBitmap1001Data, kBitmap1001Size) in a source generated in the build directory.
# Included from app/CMakeLists.txt; run with -P it is the generator itself
# (-DINPUT=<bmp or empty> -DOUTPUT=<cpp>).

if(CMAKE_SCRIPT_MODE_FILE)
  set(bytes "")
  set(size 0)
  if(INPUT AND EXISTS "${INPUT}")
    file(READ "${INPUT}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  endif()
  if(size EQUAL 0)
    set(bytes "0")
  endif()
  file(WRITE "${OUTPUT}.tmp"
    "// Generated from the setup dialog's picture; do not edit.\n"
    "#include <cstddef>\n\n"
    "extern const unsigned char kBitmap1001Data[];\n"
    "extern const size_t kBitmap1001Size;\n"
    "const unsigned char kBitmap1001Data[] = {\n    ${bytes}\n};\n"
    "const size_t kBitmap1001Size = ${size};\n")
  file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
  file(REMOVE "${OUTPUT}.tmp")
  return()
endif()

set(ORLUNDE_PICTURE ${CMAKE_CURRENT_SOURCE_DIR}/resources/bitmap_1001.bmp)
set(ORLUNDE_PICTURE_CPP ${CMAKE_CURRENT_BINARY_DIR}/bitmap_1001_data.cpp)
# Globbed with CONFIGURE_DEPENDS so that adding or removing the picture reconfigures.
file(GLOB ORLUNDE_PICTURE_FOUND CONFIGURE_DEPENDS ${ORLUNDE_PICTURE})
if(ORLUNDE_PICTURE_FOUND)
  set(ORLUNDE_PICTURE_INPUT ${ORLUNDE_PICTURE})
else()
  set(ORLUNDE_PICTURE_INPUT "")
endif()
add_custom_command(OUTPUT ${ORLUNDE_PICTURE_CPP}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${ORLUNDE_PICTURE_INPUT} -DOUTPUT=${ORLUNDE_PICTURE_CPP}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/dialog_resources.cmake
  DEPENDS ${ORLUNDE_PICTURE_INPUT} ${CMAKE_CURRENT_SOURCE_DIR}/dialog_resources.cmake
  COMMENT "Embedding the setup dialog's picture"
  VERBATIM)
target_sources(orlunde_app PRIVATE ${ORLUNDE_PICTURE_CPP})
