# `cpack -G DEB` (or `cpack --config build/CPackConfig.cmake -G DEB`) packs
# what `cmake --install` puts under /usr into quillpad_<version>_<arch>.deb.
# The dependencies are computed by dpkg-shlibdeps from the libraries the
# binaries link, so they follow the Qt the package was built against.
#
# The package has no maintainer scripts: the notes live in each user's own
# data folder, which installing, upgrading and removing never touch.
set(CPACK_PACKAGE_NAME quillpad)
set(CPACK_PACKAGE_VENDOR "Quillpad developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sticky notes on the desktop, with reminders")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QP_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quillpad.github.io/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Qt finds the SVG icon through a plugin no binary links directly.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6")
# CPack puts the summary first and indents this text itself; an empty line
# becomes the " ." of a paragraph break.
set(CPACK_PACKAGE_DESCRIPTION
"Quillpad puts sticky notes on the desktop and an icon in the system tray.
Each note keeps its place, size, colour and rich text between sessions,
can be collapsed to its caption, hidden or trashed, and can carry a
reminder that rings at a set day and time. New notes come from ten
templates.

The notes are kept in dBASE tables in each user's data folder
(~/.local/share/Quillpad), written by Quillpad's own xBase storage engine.
The package also brings xbtool, which reads, edits and checks such tables,
and rtftool, which shows what the rich-text reader makes of an RTF file.")

include(CPack)
