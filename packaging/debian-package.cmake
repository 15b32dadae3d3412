# The Debian package: `cpack -G DEB` after an optimised build (scripts/package), configured
# with the binary in games/ as Debian wants for games; the data stays in share/tessary.
# Installs to /usr; the library dependencies come from dpkg-shlibdeps, the fonts the game draws
# its texts with are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessary)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tessary developers")
set(CPACK_PACKAGE_CONTACT ${TESSARY_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D memory game: open two boxes at a time, find the pairs")
# CPack puts the summary on the first line itself; this is the long description only.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tessary shows a grid of coloured boxes in perspective. Open two boxes at a
time: equal pictures vanish and score the seconds left on the clock. Three
levels (6 x 6, 8 x 8 and 8 x 10 boxes) race a countdown, and the best score
of each level is kept between games.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TESSARY_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# WenQuanYi Zen Hei Sharp, the face of the game's texts (its bitmap strike). The Noto faces draw
# what it lacks: Arabic, Devanagari, Japanese and Korean in their own faces, the bold labels.
# The deck readers' libraries (archives, XML, SVG) are named too, though shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-zenhei, libarchive13, libxml2, librsvg2-2")
# Speech for players who cannot see the screen well: libspeechd is loaded at run time and the game
# plays silently without it, so the speech service is recommended, never required.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-core, fonts-noto-cjk, speech-dispatcher, libspeechd2")
set(CPACK_STRIP_FILES ON)
# Folders 0755 whatever the umask of the one who builds.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR})
include(CPack)
