# Debian s390x: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/s390x.cmake (see
# debian-cross.cmake; make cross-build ARCH=s390x does it all).
set(QUENZY_CROSS_ARCH s390x)
set(QUENZY_CROSS_PROCESSOR s390x)
set(QUENZY_CROSS_TRIPLET s390x-linux-gnu)
set(QUENZY_CROSS_QEMU s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
