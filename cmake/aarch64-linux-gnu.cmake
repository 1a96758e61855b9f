# Cross build for 64-bit ARM Linux on an x86-64 Debian machine: Debian's
# cross compiler, the arm64 libraries installed through multiarch
# (scripts/install-deps-arm64), and qemu-user to run what was built, so
# the tests run here as they would on an arm64 machine.
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
#         -DQ2_HOST_TOOLS=<a build folder for this machine with the build-time tools>
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(triple aarch64-linux-gnu)

set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)

# Multiarch puts the arm64 libraries beside this machine's, not under a
# separate root: find them there, and never this machine's by mistake.
set(CMAKE_LIBRARY_ARCHITECTURE ${triple})
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${triple}/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_EXECUTABLE ${triple}-pkg-config CACHE FILEPATH "pkg-config for the arm64 libraries")

# Tests and other programs of this build run through the emulator. It finds
# the arm64 dynamic loader where multiarch put it, beside the C library it
# belongs to: pointing it at the cross packages' root instead (-L) pairs
# that root's loader with multiarch's C library, a different build of it,
# and every thread start then hangs.
find_program(QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_AARCH64})
