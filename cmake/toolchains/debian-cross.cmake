# Shared by the toolchain files of the Debian architectures: Debian's cross
# compiler for QUENZY_CROSS_TRIPLET, the libraries of a private sysroot made
# by sysroot.sh from Debian's packages for QUENZY_CROSS_ARCH (by default
# build-cross/ARCH/sysroot in the source tree; -DQUENZY_SYSROOT=DIR for
# another), and the built programs run by qemu's user-mode emulator.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${QUENZY_CROSS_PROCESSOR})
set(CMAKE_LIBRARY_ARCHITECTURE ${QUENZY_CROSS_TRIPLET})
set(CMAKE_C_COMPILER ${QUENZY_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUENZY_CROSS_TRIPLET}-g++)

if(NOT QUENZY_SYSROOT)
  get_filename_component(QUENZY_SYSROOT
    ${CMAKE_CURRENT_LIST_DIR}/../../build-cross/${QUENZY_CROSS_ARCH}/sysroot ABSOLUTE)
endif()
if(NOT EXISTS ${QUENZY_SYSROOT}/.complete)
  message(FATAL_ERROR "No sysroot in ${QUENZY_SYSROOT}: make cross-sysroot ARCH=${QUENZY_CROSS_ARCH}")
endif()
# The compiler checks read this file again in a folder of their own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUENZY_SYSROOT)

# The C library and the C++ one are the cross compiler's own; everything
# else comes from the sysroot.
set(CMAKE_FIND_ROOT_PATH ${QUENZY_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
  ${QUENZY_SYSROOT}/usr/include ${QUENZY_SYSROOT}/usr/include/${QUENZY_CROSS_TRIPLET})
# The libraries the sysroot's libraries need in turn, found at link time
# (PulseAudio keeps its own in a folder of its own).
set(CMAKE_EXE_LINKER_FLAGS_INIT "")
foreach(dir usr/lib/${QUENZY_CROSS_TRIPLET} lib/${QUENZY_CROSS_TRIPLET}
    usr/lib/${QUENZY_CROSS_TRIPLET}/pulseaudio)
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,-rpath-link,${QUENZY_SYSROOT}/${dir}")
endforeach()

set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_LIBDIR}
  "${QUENZY_SYSROOT}/usr/lib/${QUENZY_CROSS_TRIPLET}/pkgconfig:${QUENZY_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${QUENZY_SYSROOT})

find_program(QUENZY_QEMU qemu-${QUENZY_CROSS_QEMU} NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUENZY_QEMU)
  message(FATAL_ERROR "No qemu-${QUENZY_CROSS_QEMU}: apt-get install qemu-user")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUENZY_QEMU} -L ${QUENZY_SYSROOT})
