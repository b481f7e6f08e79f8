# The picture toolkit (tools/picture): the readers (the module's own DDS,
# BMP and JPEG decoders, d3dx/decoders.cmake) and the writers (DDS, BMP,
# JPEG, the DXT3 encoder) that the art generator, the test-picture generator
# and the art tests share. Included by each of them: natively by the two
# generators' projects, for Windows by the art test's; either way the
# library `picture_toolkit` with libjpeg of the same build.
get_filename_component(PICTURE_REPO ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
include(${PICTURE_REPO}/d3dx/decoders.cmake)
find_package(JPEG REQUIRED)
add_library(picture_toolkit STATIC
  ${CMAKE_CURRENT_LIST_DIR}/bmp_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dds_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dxt3_encoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture.cpp
  ${D3DX_DECODER_SOURCES}
)
target_include_directories(picture_toolkit PUBLIC ${PICTURE_REPO})
target_link_libraries(picture_toolkit PUBLIC JPEG::JPEG)
# No contraction into fused multiply-adds: the art's bytes must not depend
# on the compiler's choice.
target_compile_options(picture_toolkit PRIVATE -Wall -Wextra -ffp-contract=off)
