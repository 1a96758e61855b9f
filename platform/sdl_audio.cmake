# The audio device and sample-rate conversion of the platform layer. Kept in
# its own file and targets so the window/event side of platform/ builds
# independently. Included from the top-level CMakeLists.txt.
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)

# The interface, the device that tests pull from and the keeping of an
# output through its loss; no SDL.
add_library(q2_platform_headless_audio STATIC
  ${CMAKE_CURRENT_LIST_DIR}/headless_audio_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/output_recovery.cpp
  ${CMAKE_CURRENT_LIST_DIR}/output_keeper.cpp)
find_package(Threads REQUIRED)
target_link_libraries(q2_platform_headless_audio PUBLIC Threads::Threads)

# The SDL2 device and SDL's audio stream as the sample converter.
add_library(q2_platform_sdl_audio STATIC
  ${CMAKE_CURRENT_LIST_DIR}/sdl_audio_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdl_sample_converter.cpp)
target_link_libraries(q2_platform_sdl_audio PUBLIC q2_platform_headless_audio PkgConfig::SDL2)
