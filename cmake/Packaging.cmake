# The Debian package, made by CPack from the install rules:
#   cmake --build <build> --target package    (or: cd <build> && cpack)
# It puts quenzal in /usr/bin, its menu entry in /usr/share/applications and
# its icon in the hicolor theme. The libraries it depends on are read from the
# linked program by dpkg-shlibdeps (dpkg-dev, and `file`), so the Depends line
# follows whatever the program links, without a hand-kept list.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "quenzal")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Brindlecove")
set(CPACK_PACKAGE_CONTACT "Brindlecove <quenzal@brindlecove.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quenzal scrambles a text message, or a .txt or .rtf file, with up to two\n"
    "passwords, and unscrambles it again. The program itself is guarded by an\n"
    "application password.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its windowing plugins (xcb, wayland) at run time, so no linked
# library names the package that holds them; Qt itself only recommends it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The metric-compatible stand-ins for the fonts that the windows name.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")

include(CPack)

if(QUENZAL_BUILD_TESTS)
    add_test(NAME desktop_entry
        COMMAND desktop-file-validate ${PROJECT_SOURCE_DIR}/resources/desktop/quenzal.desktop)
    set_tests_properties(desktop_entry PROPERTIES LABELS "unit;package")
endif()
