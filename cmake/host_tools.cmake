# The programs that run during the build (the asset embedder, the asset and
# track generators) must run on the build machine. A native build uses its
# own; a cross build imports them from a native build of this tree, named by
# Q2_HOST_TOOLS (`make test-arm64` makes one in build-arm64/host).
# Q2_EMBED, Q2_ASSETGEN and Q2_TRACKGEN name the ones to run.
if(CMAKE_CROSSCOMPILING)
  set(Q2_HOST_TOOLS "" CACHE PATH "A native build folder of this tree with the build-time tools")
  if(NOT EXISTS "${Q2_HOST_TOOLS}/host-tools.cmake")
    message(FATAL_ERROR "A cross build runs the build-time tools of a native build: configure and build one "
                        "(targets embed, assetgen, trackgen) and pass its folder as -DQ2_HOST_TOOLS=<folder>.")
  endif()
  include("${Q2_HOST_TOOLS}/host-tools.cmake")
  set(Q2_EMBED host::embed)
  set(Q2_ASSETGEN host::assetgen)
  set(Q2_TRACKGEN host::trackgen)
else()
  set(Q2_EMBED embed)
  set(Q2_ASSETGEN assetgen)
  set(Q2_TRACKGEN trackgen)
endif()
