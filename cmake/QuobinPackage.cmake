# `make package`: quobin_<version>_amd64.deb, installed like any Debian package. The
# programs, the manual, the Python module in the system's Python path, the POD's udev
# rule, a desktop entry, the man page of quobin-cli and the examples.
include(GNUInstallDirs)

set(QUOBIN_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quobin)
set(QUOBIN_PACKAGING ${CMAKE_SOURCE_DIR}/packaging/linux)

install(TARGETS quobin quobin-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Quobin_Manual.pdf DESTINATION ${QUOBIN_DOC_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/examples/demo.s ${CMAKE_SOURCE_DIR}/examples/demo.xMAP
              ${CMAKE_SOURCE_DIR}/examples/demo.elf ${CMAKE_SOURCE_DIR}/examples/demo.elf.xMAP
              ${CMAKE_SOURCE_DIR}/examples/test_demo_target.py
        DESTINATION ${QUOBIN_DOC_DIR}/examples)
install(FILES ${QUOBIN_PACKAGING}/quobin.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/res/icons/quobin-256.png
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/256x256/apps RENAME quobin.png)
# Debian keeps udev rules under /lib whatever the prefix.
install(FILES ${QUOBIN_PACKAGING}/60-quobin-pod.rules DESTINATION /lib/udev/rules.d)
if(TARGET quobin_python)
  # Debian's python3 finds modules of packages in dist-packages under /usr/lib/python3.
  install(TARGETS quobin_python LIBRARY DESTINATION lib/python3/dist-packages)
  install(FILES ${CMAKE_SOURCE_DIR}/python/quobin.pyi DESTINATION lib/python3/dist-packages)
endif()

# The copyright file Debian asks for, the licence after a short header, and the changelog,
# both compressed as policy wants them.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE QUOBIN_LICENSE_TEXT)
file(WRITE ${CMAKE_BINARY_DIR}/packaging/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: Quobin\n\nFiles: *\nCopyright: 2026 Quobin developers\nLicense: GPL-3+\n"
     "\nOn Debian systems the full text of the GNU General Public License version 3 is in\n"
     "/usr/share/common-licenses/GPL-3.\n")
install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright DESTINATION ${QUOBIN_DOC_DIR})
install(FILES ${QUOBIN_PACKAGING}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        RENAME quobin)
configure_file(${QUOBIN_PACKAGING}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog)

# The man page from quobin-cli's own --help and --version, so it never says less than the
# program does.
find_program(HELP2MAN_PROGRAM help2man)
set(QUOBIN_MAN_DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
if(HELP2MAN_PROGRAM)
  set(man ${CMAKE_BINARY_DIR}/packaging/quobin-cli.1)
  add_custom_command(OUTPUT ${man}.gz
    COMMAND ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr
            --name "program and watch 56800/56800E DSCs through the POD"
            --output ${man} $<TARGET_FILE:quobin-cli>
    COMMAND ${GZIP_PROGRAM} -9nf ${man}
    DEPENDS quobin-cli)
  list(APPEND QUOBIN_MAN_DEPENDS ${man}.gz)
  install(FILES ${man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
add_custom_target(quobin_package_files ALL DEPENDS ${QUOBIN_MAN_DEPENDS})
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${QUOBIN_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quobin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quobin developers <developers@quobin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "flash programmer and live monitor for 56800/56800E DSCs")
set(CPACK_PACKAGE_DESCRIPTION
    "Quobin programs and verifies the flash of 56800/56800E digital signal\n"
    "controllers from S-record files through the POD, a USB adapter on the chip's\n"
    "JTAG/EONCE port, stores programming jobs in the POD, updates its firmware,\n"
    "and watches and plots the running program's variables by name from its\n"
    "linker map and ELF file. It has a window (quobin), a command-line tool\n"
    "(quobin-cli), a Python module (quobin) and a built-in POD emulator for\n"
    "trying it without hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quobin.invalid/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(QUOBIN_PYTHON_VERSION)
  # The module is built for one Python's ABI.
  string(REPLACE "." ";" parts ${QUOBIN_PYTHON_VERSION})
  list(GET parts 0 major)
  list(GET parts 1 minor)
  math(EXPR next "${minor} + 1")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3 (>= ${QUOBIN_PYTHON_VERSION}), python3 (<< ${major}.${next})")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${QUOBIN_PACKAGING}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)

# Installs the package on this machine, uses it and removes it: root only (skipped
# otherwise), and alone, since it changes what the machine has installed.
if(QUOBIN_BUILD_TESTS AND TARGET quobin_python)
  add_test(NAME package_deb COMMAND ${CMAKE_SOURCE_DIR}/scripts/test-package ${CMAKE_BINARY_DIR})
  set_tests_properties(package_deb PROPERTIES SKIP_RETURN_CODE 77 RUN_SERIAL TRUE TIMEOUT 600)
endif()
