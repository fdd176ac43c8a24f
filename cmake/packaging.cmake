# What `cmake --install` puts where, and the packages CPack builds from it:
# a Debian package on Linux, a zip on Windows. Only the production programs
# and their manuals are installed; the simulated-machine programs and the
# test programs never are.

# The project's contact: the packages' maintainer and the changelog's author.
set(KELB_CONTACT "kelb-cu maintainers <maintainers@users.noreply.c-seed-9aed5d73.example>")

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
elseif(KELB_STATIC)
  # A flat folder to unpack anywhere: the programs, their manuals (man
  # ./kelb-cu.1) and a note on running them.
  install(TARGETS ${KELB_PROGRAMS} RUNTIME DESTINATION .)
  foreach(m IN LISTS KELB_MANUALS)
    install(FILES ${CMAKE_SOURCE_DIR}/man/${m}.1 DESTINATION .)
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/README-linux.txt DESTINATION .)

  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-x86_64-static)
else()
  include(GNUInstallDirs)
  install(TARGETS ${KELB_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # As Debian's policy has it (and lintian checks): manuals compressed with
  # gzip -9n, a copyright file and a changelog in the documentation folder.
  find_program(KELB_GZIP gzip REQUIRED)
  set(docs ${CMAKE_CURRENT_BINARY_DIR}/doc)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/copyright.in ${docs}/copyright @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/changelog.in ${docs}/changelog @ONLY)
  set(compressed)
  foreach(f IN LISTS KELB_MANUALS ITEMS changelog)
    if(f STREQUAL changelog)
      set(in ${docs}/changelog)
      set(out ${docs}/changelog.gz)
    else()
      set(in ${CMAKE_SOURCE_DIR}/man/${f}.1)
      set(out ${docs}/${f}.1.gz)
    endif()
    add_custom_command(OUTPUT ${out}
      COMMAND ${KELB_GZIP} -9nc ${in} > ${out}
      DEPENDS ${in} COMMENT "Compressing ${f}")
    list(APPEND compressed ${out})
  endforeach()
  add_custom_target(kelb_docs ALL DEPENDS ${compressed})
  foreach(m IN LISTS KELB_MANUALS)
    install(FILES ${docs}/${m}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  install(FILES ${docs}/copyright ${docs}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

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
set(CPACK_PACKAGE_CONTACT "${KELB_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "overclocking settings editor for KELB 5.3 firmware on Opteron boards")
# Debian wants the long description in lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "kelb-cu changes the overclocking settings of KELB firmware version 5.3, a"
  "firmware for the AMD Opteron server boards H8QG6, H8QGL, H8SGL, H8QG7 and"
  "H8DG6/H8DGi. The firmware takes them at boot from a six-byte record in CMOS"
  "NVRAM: reference clock, core multiplier and voltage, northbridge voltage and"
  "multiplier, HT frequency cap, and memory, HT and P-state options. kelb-cu"
  "edits that record through a question-and-answer dialogue, sets the reference"
  "clock from the command line, or resets the record to stock. It writes only"
  "on a supported board with that firmware and an intact PC NVRAM checksum, and"
  "only when a setting changed. It runs as root and reaches the CMOS through"
  "/dev/port; a debug mode edits a plain file instead."
  "."
  "kelb-dmi, the SMBIOS table decoder that kelb-cu uses, comes as a program of"
  "its own.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
