# C++17 without compiler extensions and a release build unless told
# otherwise: the same for the module's project and for the native helper
# projects (artgen, the test-picture generator, the fuzzers).
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release)
endif()
