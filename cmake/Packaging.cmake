# Desktop integration and the Debian package, made by CPack from the install
# rules:
#   cmake --build <build> --target package    (or: cd <build> && cpack)
# The package puts quenzal and quenzal-cli in /usr/bin (quenzal-cli's modules
# in /usr/lib/quenzal/quenzal-cli), the menu entry in
# /usr/share/applications, its AppStream entry in /usr/share/metainfo, its icon
# in the hicolor theme, its manual pages, and the licence and changelog in
# /usr/share/doc/quenzal. The libraries it depends on are read from the linked
# programs by dpkg-shlibdeps (dpkg-dev, and `file`), so the Depends line
# follows whatever the programs link, without a hand-kept list.

# The id that names the program to the desktop: the AppStream component, the
# desktop entry's file name and the Wayland application id. It is the maker
# site's host name reversed, without a leading "www", then "quenzal"
# (https://www.brindlecove.example gives example.brindlecove.quenzal). Each
# part keeps only lowercase letters, digits and "_", and one that would begin
# with a digit gets a leading "_", as AppStream asks.
string(REGEX REPLACE "^[a-z]+://([^/:]+).*$" "\\1" _quenzal_host "${QUENZAL_MAKER_SITE}")
string(TOLOWER "${_quenzal_host}" _quenzal_host)
string(REGEX REPLACE "^www\\." "" _quenzal_host "${_quenzal_host}")
string(REPLACE "." ";" _quenzal_labels "${_quenzal_host}")
list(REVERSE _quenzal_labels)
list(APPEND _quenzal_labels quenzal)
set(QUENZAL_APP_ID "")
foreach(_label IN LISTS _quenzal_labels)
    string(REGEX REPLACE "[^a-z0-9_]" "_" _label "${_label}")
    if(_label MATCHES "^[0-9]")
        string(PREPEND _label "_")
    endif()
    if(NOT _label STREQUAL "")
        list(APPEND QUENZAL_APP_ID "${_label}")
    endif()
endforeach()
list(JOIN QUENZAL_APP_ID "." QUENZAL_APP_ID)
string(REGEX REPLACE "/+$" "" _quenzal_site "${QUENZAL_MAKER_SITE}")
target_compile_definitions(quenzal PRIVATE QUENZAL_APP_ID="${QUENZAL_APP_ID}")

# The menu entry, named after the id so that software centres and Wayland
# compositors tie it to the AppStream entry and to the running program.
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/quenzal.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    RENAME ${QUENZAL_APP_ID}.desktop)

set(QUENZAL_APPSTREAM_ID "${QUENZAL_APP_ID}")
set(QUENZAL_MAKER_SITE_BASE "${_quenzal_site}")
configure_file(${PROJECT_SOURCE_DIR}/resources/metainfo/quenzal.metainfo.xml.in
    ${PROJECT_BINARY_DIR}/metainfo/${QUENZAL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/metainfo/${QUENZAL_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages, and the Debian changelog, go in compressed as Debian wants
# them: gzip -9n, so that the file holds no name or time stamp. Every page in
# docs/ is picked up by its section number (quenzal.1 goes to man1).
if(UNIX AND NOT APPLE)
    find_program(GZIP_PROGRAM gzip REQUIRED)
    file(GLOB _quenzal_man_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.[1-9])
    set(_quenzal_compressed "")
    foreach(_page IN LISTS _quenzal_man_pages)
        get_filename_component(_name "${_page}" NAME)
        string(REGEX REPLACE "^.*\\.([1-9])$" "\\1" _section "${_name}")
        set(_out ${PROJECT_BINARY_DIR}/man/${_name}.gz)
        add_custom_command(OUTPUT ${_out}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
            COMMAND ${GZIP_PROGRAM} -9nc ${_page} > ${_out}
            DEPENDS ${_page} VERBATIM)
        list(APPEND _quenzal_compressed ${_out})
        install(FILES ${_out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${_section})
    endforeach()

    set(_out ${PROJECT_BINARY_DIR}/debian/changelog.gz)
    add_custom_command(OUTPUT ${_out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
        COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/resources/debian/changelog > ${_out}
        DEPENDS ${PROJECT_SOURCE_DIR}/resources/debian/changelog VERBATIM)
    list(APPEND _quenzal_compressed ${_out})
    add_custom_target(quenzal_compressed_docs ALL DEPENDS ${_quenzal_compressed})

    # The version has no Debian revision, so this is a native package: its
    # changelog is changelog.gz, not changelog.Debian.gz.
    install(FILES ${_out} ${PROJECT_SOURCE_DIR}/resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quenzal)

    # A stripped install (cpack, or cmake --install --strip) drops from the
    # programs and quenzal-cli's modules also the compiler's notes that plain
    # strip keeps, as Debian's own packaging does. This runs after every other
    # install rule.
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            file(GLOB _programs \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/*\"
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/quenzal/quenzal-cli/*\")
            foreach(_program IN LISTS _programs)
                execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                                        --remove-section=.note \"\${_program}\"
                                COMMAND_ERROR_IS_FATAL ANY)
            endforeach()
        endif()")
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "quenzal")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Brindlecove")
set(CPACK_PACKAGE_CONTACT "Brindlecove <quenzal@brindlecove.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scramble and unscramble text messages with passwords")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quenzal is a small desktop program that scrambles a text message, or a\n"
    "plain-text or Rich Text Format file, with up to two passwords, and\n"
    "unscrambles it again.\n"
    "The program itself is guarded by an application password.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
# Directories 0755 and control files with Debian's modes, whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${_quenzal_site}/encryption/quenzal/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program needs at run time that no linked library names: Qt loads
# its windowing plugins (xcb) at run time, the windows' layout is measured
# with the metric-compatible Liberation fonts, and OpenPGP messages are made
# and read by gpg, which GpgME runs. The text of every code page needs fonts
# with its letters: DejaVu has the Greek, Cyrillic, Hebrew, Arabic and
# Vietnamese ones, which Liberation lacks in part, and Garuda the Thai ones,
# which neither has. Wayland support is welcome but not needed, as the
# program runs through XWayland too.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-liberation, fonts-dejavu-core, fonts-tlwg-garuda-ttf, gnupg")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)

if(QUENZAL_BUILD_TESTS)
    add_test(NAME desktop_entry
        COMMAND desktop-file-validate ${PROJECT_SOURCE_DIR}/resources/desktop/quenzal.desktop)
    set_tests_properties(desktop_entry PROPERTIES LABELS "unit;package")

    # Builds the package from the built tree and checks it as a distribution
    # would: lintian, the AppStream validator and desktop-file-validate, each
    # failing on any error or warning.
    add_test(NAME package
        COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check-package.sh
                ${PROJECT_BINARY_DIR} ${PROJECT_BINARY_DIR}/package-check)
    set_tests_properties(package PROPERTIES LABELS "package" TIMEOUT 300)
endif()
