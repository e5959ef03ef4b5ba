# Debian armhf: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/armhf.cmake (see
# debian-cross.cmake; make cross-build ARCH=armhf does it all).
set(QUENZY_CROSS_ARCH armhf)
set(QUENZY_CROSS_PROCESSOR arm)
set(QUENZY_CROSS_TRIPLET arm-linux-gnueabihf)
set(QUENZY_CROSS_QEMU arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
