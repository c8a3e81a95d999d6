# The Debian package, built with `cpack -G DEB` in the build directory.
if(WIN32)
    return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenlo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quenlo developers <quenlo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finds cameras and encoders on the local network")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Quenlo finds networked devices such as cameras and encoders on the local"
    "network segment and shows their network settings: channel name, version,"
    "IP address, port, gateway and MAC address. Each device is listed as soon"
    "as it answers, including devices behind a second network interface and"
    "devices still at a factory address outside the local subnets. The"
    "quenlo-find command runs the same search from a terminal or a script.")
set(CPACK_STRIP_FILES ON)

# The build installs the test tools too; only these components go into the package, the service
# being the package's alone.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};quenlo;/;${CMAKE_BINARY_DIR};${PROJECT_NAME};service;/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Built on Debian 12, so its C and C++ runtimes are the floor.
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4)" "libqt6gui6 (>= 6.4)" "libqt6core6 (>= 6.4)"
    "qt6-translations-l10n"
    "libstdc++6 (>= 12)" "libgcc-s1 (>= 12)" "libc6 (>= 2.36)"
    "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The watch service's defaults are the administrator's, and the unit is known to the service
# manager, not enabled, and gone on purge.
set(quenlo_debian ${PROJECT_SOURCE_DIR}/res/debian)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${quenlo_debian}/conffiles ${quenlo_debian}/postinst ${quenlo_debian}/prerm
    ${quenlo_debian}/postrm)

include(CPack)

# The package holds the programs, their manual pages, the desktop entry, the icons, the copyright,
# the changelog, the example address plan and the watch service with its defaults, and nothing
# else: an install rule that names the wrong component, or none, shows up here. Lintian finds no
# error and no warning in it.
if(QUENLO_BUILD_TESTS AND TARGET quenlo)
    set(quenlo_package_files
        ./etc/default/quenlo-watch
        ./lib/systemd/system/quenlo-watch.service
        ./usr/bin/quenlo
        ./usr/bin/quenlo-find
        ./usr/share/applications/quenlo.desktop
        ./usr/share/doc/quenlo/changelog.gz
        ./usr/share/doc/quenlo/copyright
        ./usr/share/doc/quenlo/plan-example.csv
        ./usr/share/man/man1/quenlo.1.gz
        ./usr/share/man/man1/quenlo-find.1.gz
        ./usr/share/icons/hicolor/scalable/apps/quenlo.svg)
    foreach(size 16 24 32 48 64 128 256)
        list(APPEND quenlo_package_files ./usr/share/icons/hicolor/${size}x${size}/apps/quenlo.png)
    endforeach()
    add_test(NAME package_contents
        COMMAND sh -c [[
            set -e
            rm -rf package-check
            "$0" -G DEB -B package-check > /dev/null
            printf '%s\n' "$@" | LC_ALL=C sort > package-check/expected
            dpkg-deb --fsys-tarfile package-check/quenlo_*.deb | tar -t | grep -v '/$' |
                LC_ALL=C sort | diff package-check/expected -
            lintian --fail-on error,warning package-check/quenlo_*.deb
        ]] ${CMAKE_CPACK_COMMAND} ${quenlo_package_files}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(package_contents PROPERTIES TIMEOUT 300)
endif()
if(QUENLO_BUILD_TESTS)
    add_test(NAME package_service
        COMMAND ${PROJECT_SOURCE_DIR}/tests/package_service.sh
                ${PROJECT_SOURCE_DIR}/res/systemd/quenlo-watch.service $<TARGET_FILE:quenlo-find>
                ${CMAKE_BINARY_DIR})
    set_tests_properties(package_service PROPERTIES TIMEOUT 120)
endif()
