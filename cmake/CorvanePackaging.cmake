# A Debian package of the installed programs: cpack -G DEB in the build folder (scripts/package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane-xp)
set(CPACK_PACKAGE_VENDOR "Mirel Software,Inc.")
set(CPACK_PACKAGE_CONTACT "Mirel Software <support@corvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "makes HTML files smaller, in a window or on the command line")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane XP rewrites HTML files in place with a shorter text: redundant spaces and line
breaks go, long tag names get short ones, attribute quotes are dropped
where HTML does not need them. The window
(corvane-xp) keeps a list of files and a log; corvane does the same from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
# Libraries are found by dpkg-shlibdeps; the Chinese of Qt's own dialogs and a CJK font are not.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-wqy-zenhei, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
