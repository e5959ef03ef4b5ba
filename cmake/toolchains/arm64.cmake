# Debian arm64: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/arm64.cmake (see
# debian-cross.cmake; make cross-build ARCH=arm64 does it all).
set(QUENZY_CROSS_ARCH arm64)
set(QUENZY_CROSS_PROCESSOR aarch64)
set(QUENZY_CROSS_TRIPLET aarch64-linux-gnu)
set(QUENZY_CROSS_QEMU aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
