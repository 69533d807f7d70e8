# The Debian package, tesvanor_<version>_amd64.deb, made by CPack from the install rules. The
# libraries it needs come from dpkg-shlibdeps; Depends adds what the linker does not see: the font
# of the window's Chinese text and the Qt platform plugins. It has no maintainer scripts, so
# removing it leaves every user's data folder as it is.

# The package's changelog and the metainfo's releases start with the version project() names.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/debian/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^tesvanor \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "data/debian/changelog does not start with an entry for version ${PROJECT_VERSION}")
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/data/com.ormentis.tesvanor.metainfo.xml newest_release REGEX "<release " LIMIT_COUNT 1)
if(NOT newest_release MATCHES "version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "data/com.ormentis.tesvanor.metainfo.xml does not start its releases with ${PROJECT_VERSION}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesvanor)
set(CPACK_PACKAGE_VENDOR Ormentis)
set(CPACK_PACKAGE_CONTACT "Ormentis <support@ormentis.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop video converter with DVD support")
# One string (a list would lose its semicolons), lines under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tesvanor converts media files and DVD titles to the formats of players,\n"
  "phones, consoles and the web: VCD, DVD, H.264, Flash video, MP3, AAC, image\n"
  "sequences and more. Each conversion runs in a worker thread of its own, side\n"
  "by side with the others, with an optional time range and video filters.\n"
  "Finished conversions are filed under categories of your own and kept with\n"
  "their settings and log.\n"
  "\n"
  "The package holds the program with its window (in Chinese) and tesvanor-cli,\n"
  "the same engine on the command line.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.ormentis.com/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei, qt6-qpa-plugins")
# The SVG icon engine, the file manager and browser calls (xdg-open), encrypted DVDs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libdvd-pkg")
include(CPack)
