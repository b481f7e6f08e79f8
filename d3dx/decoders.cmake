# The picture decoders: plain C++ that also builds natively, outside the
# Windows build, for the fuzzers and the test-picture generator. Included by
# their native projects.
set(D3DX_DECODER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/bmp_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dds_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decoded_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/texel_processing.cpp
)
