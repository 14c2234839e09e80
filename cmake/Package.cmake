# The Debian package: `cpack -G DEB` in a build tree (script/package makes the
# build for users and packs it). It holds what the install rules install, laid
# out under /usr: the program folder lib/tintoko, the launchers bin/tintoko and
# bin/tintoko-voices (the recorder), the desktop entries, the icons and the
# AppStream metainfo.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tintoko)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Learn the names of sixteen colours in Chinese")
set(CPACK_PACKAGE_DESCRIPTION
  "Tintoko teaches young children the names of the sixteen classic colours in
Chinese. A child clicks a colour and hears its name. Parents and teachers can
let the program show and speak all sixteen colours in turn, quiz the child
with shuffled buttons that carry no names, or let the child mix any colour
with red, green and blue sliders. Everything is in Chinese.
.
When the computer is online, Tintoko shows a news page from its maker's
server in a window of its own, on request and once by itself; its links open
in the web browser. The help menu turns the one that comes by itself off.
.
Every word the child hears can be spoken in a parent's or a teacher's own
voice: the recorder, Tintoko 录音 (tintoko-voices), records each one from the
microphone and keeps it in the user's own folder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripped as Debian strips (dh_strip): the symbols, and the .comment and
# .note sections no one needs at run time.
set(CPACK_STRIP_FILES ON)
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program tintoko tintoko-voices tintoko-news)
      set(file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${TINTOKO_INSTALL_PROGRAM_DIR}/\${program}\")
      if(EXISTS \"\${file}\")
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
          --remove-section=.note \"\${file}\" COMMAND_ERROR_IS_FATAL ANY)
      endif()
    endforeach()
  endif()")

set(TINTOKO_PACKAGE_MAINTAINER "Tintoko 团队 <hello@tintoko.example>" CACHE STRING
  "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TINTOKO_PACKAGE_MAINTAINER}")

# What Debian asks of every package beside the program: a machine-readable
# copyright file, the changelog and a manual page for each command, the last
# two compressed as policy asks (gzip -9n: best, and without the name and the
# time of the file); and lintian's overrides, each with its reason.
set(tintoko_package_in ${CMAKE_SOURCE_DIR}/debian-pkg)
set(tintoko_package_out ${CMAKE_BINARY_DIR}/debian-pkg)
configure_file(${tintoko_package_in}/copyright.in ${tintoko_package_out}/copyright @ONLY)
set(tintoko_package_gz "")
foreach(name changelog tintoko.1 tintoko-voices.1)
  configure_file(${tintoko_package_in}/${name}.in ${tintoko_package_out}/${name} @ONLY)
  add_custom_command(OUTPUT ${tintoko_package_out}/${name}.gz
    COMMAND gzip -9 -n -k -f ${tintoko_package_out}/${name}
    DEPENDS ${tintoko_package_out}/${name} VERBATIM)
  list(APPEND tintoko_package_gz ${tintoko_package_out}/${name}.gz)
endforeach()
add_custom_target(tintoko_package_files ALL DEPENDS ${tintoko_package_gz})
install(FILES ${tintoko_package_out}/copyright ${tintoko_package_out}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${tintoko_package_out}/tintoko.1.gz ${tintoko_package_out}/tintoko-voices.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${tintoko_package_in}/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tintoko)

# The news viewer's own account: declared for systemd-sysusers, which the
# package's postinst runs (and which the end-to-end tests run on the same file
# to make the account where no package did).
install(FILES ${tintoko_package_in}/tintoko.sysusers
  DESTINATION lib/sysusers.d RENAME tintoko.conf)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${tintoko_package_in}/postinst)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tintoko_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TINTOKO_HOME_PAGE}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The shared libraries the program, the news viewer and the recorder link
# decide most of the dependencies (dpkg-shlibdeps); Qt WebEngine comes in
# through the viewer, libmp3lame0 and libpulse0 through the recorder.
# Added to them is what is only loaded or read at run time:
#   qt6-qpa-plugins   the X11 platform plugin, without which no window opens
#                     (Qt's GUI library merely recommends it);
#   fonts-noto-cjk    the Chinese characters of every caption;
#   qt6-translations-l10n  Qt's own words in Chinese (the buttons of its
#                     message boxes), which every program loads at start;
#   libpulse0         libpulse, which the sound thread loads when the
#                     first recording plays (so the program's links do not
#                     show it; the recorder's do). It talks to
#                     PulseAudio and to PipeWire's pipewire-pulse alike, so no server is
#                     required: a desktop runs one already, and a thin client
#                     may use a remote one. One of the two is recommended;
#   systemd-sysusers  makes the news viewer's account when the package is
#                     configured (systemd's, or the one without systemd).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-qpa-plugins, fonts-noto-cjk, qt6-translations-l10n, libpulse0, systemd | systemd-standalone-sysusers")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")

# A package for users is built with the test hooks off (script/package); cpack
# says so when it packs a build that has them (the e2e test packs the
# development build).
set(CPACK_TINTOKO_TEST_HOOKS ${TINTOKO_TEST_HOOKS})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageWarnings.cmake)

include(CPack)
