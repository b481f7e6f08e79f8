# The art's table: how many pictures of each kind the module carries and
# their sizes, set here only. cmake/art_table.h.in makes them
# ${GENERATED_DIR}/art_table.h, with the maker's name the banner shows
# (SAVER_COMPANY), for the art generator, the module's code, the tests and
# the test pictures; resources/CMakeLists.txt writes art.rc's numbered
# series from them.
set(ART_HEIGHTMAP_FRAMES 30)   # the sea's looping animation, L8 DDS
set(ART_HEIGHTMAP_SIDE 256)    # texels, both ways
set(ART_NOISE_PICTURES 12)     # grey BMP
set(ART_NOISE_SIDE 32)
set(ART_SKY_FACES 5)           # the sky box's four sides and top, JPEG
set(ART_SKY_FACE_SIDE 512)
set(ART_SKY_CUBE_SIDE 256)     # the reflected sky, DXT3 cube map
set(ART_FLARE_STAR_SIDE 128)   # the sun flare's sprites, A8R8G8B8 DDS
set(ART_FLARE_GLOW_SIDE 256)
set(ART_FLARE_RING_SIDE 128)
set(ART_BANNER_WIDTH 256)      # A8R8G8B8 DDS
set(ART_BANNER_HEIGHT 64)
set(ART_FRESNEL_RAMP_WIDTH 256)  # one row, grey BMP
set(ART_PREVIEW_WIDTH 152)     # the preview window's bitmap
set(ART_PREVIEW_HEIGHT 112)
set(ART_ICON_SIDES "48, 32, 16")  # the icon's images, largest first
configure_file(${CMAKE_CURRENT_LIST_DIR}/art_table.h.in ${GENERATED_DIR}/art_table.h @ONLY)
