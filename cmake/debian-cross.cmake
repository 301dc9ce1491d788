# What the cross toolchain files share: Debian's cross compiler for
# LOGVANE_CROSS_TRIPLET (CMAKE_SYSTEM_PROCESSOR-linux-gnu unless the file
# sets it), its tree as the place to find libraries and headers, and
# qemu-user, when it is installed, to run what is built (qemu-LOGVANE_QEMU_CPU,
# CMAKE_SYSTEM_PROCESSOR unless set).

set(CMAKE_SYSTEM_NAME Linux)
if(NOT LOGVANE_CROSS_TRIPLET)
  set(LOGVANE_CROSS_TRIPLET ${CMAKE_SYSTEM_PROCESSOR}-linux-gnu)
endif()
if(NOT LOGVANE_QEMU_CPU)
  set(LOGVANE_QEMU_CPU ${CMAKE_SYSTEM_PROCESSOR})
endif()

set(CMAKE_C_COMPILER ${LOGVANE_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${LOGVANE_CROSS_TRIPLET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${LOGVANE_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu finds the C library and the dynamic loader in the cross compiler's
# tree.
find_program(LOGVANE_QEMU NAMES qemu-${LOGVANE_QEMU_CPU}
                                qemu-${LOGVANE_QEMU_CPU}-static)
if(LOGVANE_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LOGVANE_QEMU}
      -L /usr/${LOGVANE_CROSS_TRIPLET})
endif()
