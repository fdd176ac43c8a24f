# What `cmake --install` puts where, and the packages CPack builds from it:
# a Debian package on Linux, a zip on Windows. Only the production programs
# and their manuals are installed; the simulated-machine programs and the
# test programs never are.

set(KELB_MANUALS kelb-cu)
set(KELB_PROGRAMS kelb-cu)
if(TARGET kelb-dmi)
  list(APPEND KELB_PROGRAMS kelb-dmi)
  list(APPEND KELB_MANUALS kelb-dmi)
endif()

if(WIN32)
  # A flat folder: the programs, the manuals as text and the note on the
  # driver library, which has to sit beside the programs.
  install(TARGETS ${KELB_PROGRAMS} RUNTIME DESTINATION .)

  find_program(KELB_GROFF groff REQUIRED)
  set(texts)
  foreach(m IN LISTS KELB_MANUALS)
    set(txt ${CMAKE_CURRENT_BINARY_DIR}/manuals/${m}.txt)
    add_custom_command(OUTPUT ${txt}
      COMMAND ${CMAKE_COMMAND} -DGROFF=${KELB_GROFF} -DIN=${CMAKE_SOURCE_DIR}/man/${m}.1
              -DOUT=${txt} -P ${CMAKE_SOURCE_DIR}/cmake/render-manual.cmake
      DEPENDS ${CMAKE_SOURCE_DIR}/man/${m}.1 ${CMAKE_SOURCE_DIR}/cmake/render-manual.cmake
      COMMENT "Rendering ${m}.1 as text" VERBATIM)
    list(APPEND texts ${txt})
  endforeach()
  set(note ${CMAKE_CURRENT_BINARY_DIR}/manuals/README-windows.txt)
  add_custom_command(OUTPUT ${note}
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/packaging/README-windows.txt
            -DOUT=${note} -P ${CMAKE_SOURCE_DIR}/cmake/render-manual.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/README-windows.txt ${CMAKE_SOURCE_DIR}/cmake/render-manual.cmake
    VERBATIM)
  add_custom_target(kelb_manuals ALL DEPENDS ${texts} ${note})
  install(FILES ${texts} ${note} DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  include(GNUInstallDirs)
  install(TARGETS ${KELB_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  foreach(m IN LISTS KELB_MANUALS)
    install(FILES ${CMAKE_SOURCE_DIR}/man/${m}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()

  set(CPACK_GENERATOR DEB)
  find_program(KELB_DPKG dpkg)
  if(KELB_DPKG)
    execute_process(COMMAND ${KELB_DPKG} --print-architecture
      OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  # The programs need only the C and C++ runtime; let dpkg-shlibdeps name them.
  find_program(KELB_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(KELB_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  endif()
endif()

set(CPACK_PACKAGE_NAME kelb-cu)
set(CPACK_PACKAGE_VENDOR "kelb-cu")
set(CPACK_PACKAGE_CONTACT "kelb-cu maintainers <kelb-cu@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Overclocking configuration utility for KELB firmware 5.3")
# Debian wants the long description in lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "kelb-cu edits the six-byte overclocking record that KELB firmware 5.3 keeps"
  "in CMOS NVRAM: reference clock, core and northbridge voltage and multiplier,"
  "HT frequency cap, memory, HT and P-state options. It runs on H8QG6, H8QGL,"
  "H8SGL, H8QG7 and H8DG6/H8DGi boards and checks the board, the firmware"
  "version and the PC NVRAM checksum before it touches the NVRAM."
  "kelb-dmi is its SMBIOS table decoder as a program of its own.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
