# The release: what is installed and how CPack packs it, with the project's
# one version (project() in CMakeLists.txt).
#  - Windows build: the converter, taff2psg.exe, the help page and a small
#    sample recording with its settings; an installer (NSIS, per user, our
#    own script template cmake/NSIS.template.in) and a portable ZIP of the
#    same files. `cmake --build build/win --target package`.
#  - Native Release build: a Debian package of taff2psg (binary in
#    /usr/bin, manual page, dependencies found by dpkg-shlibdeps: the C and
#    C++ runtimes and libssl3, whose libcrypto hashes the manifest).
#    `cmake --build build/release --target package`.
# See docs/release.md.

set(CPACK_PACKAGE_NAME "TaffToPsg")
set(CPACK_PACKAGE_VENDOR "TAFF To PSG converter team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts TAFFmat sleep-study recordings into PSG (EDF+) files")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(CPACK_PACKAGE_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(CPACK_PACKAGE_VERSION_PATCH ${PROJECT_VERSION_PATCH})
set(RELEASE_CONTACT "TAFF To PSG converter team <converter@localhost>" CACHE STRING
    "Maintainer named in the Debian package (Name <address>)")
set(CPACK_PACKAGE_CONTACT "${RELEASE_CONTACT}")
# The artifacts alone in packages/; what goes into them is made in release-files/.
set(CPACK_OUTPUT_FILE_PREFIX "${CMAKE_BINARY_DIR}/packages")
set(CPACK_PACKAGE_CHECKSUM SHA256)
# Programs go out without their symbol tables.
set(CPACK_STRIP_FILES ON)
# Packing needs only what is installed, not every test of the build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

if(WIN32)
  # ---- Windows: installer and portable ZIP ---------------------------------
  find_program(RELEASE_HOST_CXX NAMES g++ c++ NO_CMAKE_FIND_ROOT_PATH)
  set(sample_dir ${CMAKE_BINARY_DIR}/release-files/sample)
  set(sample_header ${sample_dir}/NIGHT001.HDR)
  set(host_taffgen ${CMAKE_BINARY_DIR}/release-files/taffgen_host)
  # taffgen with what it links: the engine (its check names and montage
  # records) and the EDF reader of taffimport, all portable sources.
  set(taffgen_sources)
  foreach(name main signals file faults fault_text montage real)
    list(APPEND taffgen_sources ${CMAKE_SOURCE_DIR}/tools/taffgen/taffgen_${name}.cpp)
  endforeach()
  list(APPEND taffgen_sources ${CMAKE_SOURCE_DIR}/tools/taffimport/taffimport_sources.cpp)
  foreach(lib engine taffread recfile textkit)
    get_target_property(lib_sources ${lib} SOURCES)
    get_target_property(lib_dir ${lib} SOURCE_DIR)
    foreach(source ${lib_sources})
      if(source MATCHES "\\.cpp$")
        list(APPEND taffgen_sources ${lib_dir}/${source})
      endif()
    endforeach()
  endforeach()
  # The sample is written at build time by taffgen built for this machine:
  # five minutes of a 14-channel night, matching the montage of the sample
  # settings (tools/sample/MORLEX.INI, taffgen's own --settings-out).
  add_custom_command(OUTPUT ${host_taffgen}
    COMMAND ${RELEASE_HOST_CXX} -std=c++17 -O1 -I${CMAKE_SOURCE_DIR} -I${CMAKE_BINARY_DIR}/generated ${taffgen_sources}
            -o ${host_taffgen}
    DEPENDS ${taffgen_sources} ${CMAKE_SOURCE_DIR}/tools/taffgen/taffgen.h ${CMAKE_SOURCE_DIR}/tools/taffgen/taffgen_blocks.h
    COMMENT "Building taffgen for this machine (the release's sample recording)")
  add_custom_command(OUTPUT ${sample_header} ${sample_dir}/NIGHT001.DAT
    COMMAND ${CMAKE_COMMAND} -E make_directory ${sample_dir}
    COMMAND ${host_taffgen} --channels 14 --rate 200 --duration 0:05:00 --start "2024-03-14 22:15:04"
            --comment "Sample night" --out ${sample_header}
    DEPENDS ${host_taffgen}
    COMMENT "Writing the release's sample recording")
  add_custom_target(release_sample ALL DEPENDS ${sample_header})

  install(TARGETS MORLEXCV taff2psg RUNTIME DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/app/help/index.html ${CMAKE_SOURCE_DIR}/app/help/index-en.html DESTINATION HELP)
  install(FILES ${sample_header} ${sample_dir}/NIGHT001.DAT ${CMAKE_SOURCE_DIR}/tools/sample/MORLEX.INI
          DESTINATION SAMPLE)

  set(CPACK_GENERATOR "NSIS;ZIP")
  set(CPACK_PACKAGE_FILE_NAME "TaffToPsg-${PROJECT_VERSION}-win64")
  set(CPACK_PACKAGE_INSTALL_DIRECTORY "TAFF To PSG")
  set(CPACK_NSIS_PACKAGE_NAME "TAFF To PSG File Converter ${PROJECT_VERSION}")
  set(CPACK_NSIS_DISPLAY_NAME "TAFF To PSG File Converter")
  set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
  set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/resources/app.ico)
  # The registry key of the uninstall entry (under HKCU).
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "TaffToPsg")
  # Our installer script template (per-user install, COND kept).
  list(APPEND CMAKE_MODULE_PATH ${CMAKE_SOURCE_DIR}/cmake)
  # The portable ZIP starts with the sample settings in COND; the installer
  # writes them there itself, only when no settings exist yet.
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/portable_settings.cmake)
else()
  # ---- Debian package of taff2psg ------------------------------------------
  find_program(RELEASE_GZIP gzip)
  # The manual page carries the version too.
  configure_file(${CMAKE_SOURCE_DIR}/batch/taff2psg.1.in ${CMAKE_BINARY_DIR}/release-files/taff2psg.1 @ONLY)
  set(man_page ${CMAKE_BINARY_DIR}/release-files/taff2psg.1.gz)
  add_custom_command(OUTPUT ${man_page}
    COMMAND ${RELEASE_GZIP} -9 -n -c ${CMAKE_BINARY_DIR}/release-files/taff2psg.1 > ${man_page}
    DEPENDS ${CMAKE_BINARY_DIR}/release-files/taff2psg.1
    COMMENT "Compressing the manual page of taff2psg")
  add_custom_target(release_man_page ALL DEPENDS ${man_page})
  add_dependencies(taff2psg release_man_page)

  include(GNUInstallDirs)
  install(TARGETS taff2psg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(CPACK_GENERATOR "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
  set(CPACK_DEBIAN_PACKAGE_NAME "taff2psg")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION "science")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter of TAFFmat sleep-study recordings into PSG files")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "taff2psg converts TAFFmat recordings (a text header *.HDR beside a binary\n"
      "data file) into PSG recording files (EDF+) with a montage pattern of the\n"
      "window program's settings file, one output per recording, several at once.")
  string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
endif()

include(CPack)
