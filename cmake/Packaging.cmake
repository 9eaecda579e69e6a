# Installation and the Debian package (bash scripts/package.sh). The version is the project's
# (project() in the top CMakeLists): the package, the about box and `yjgl-admin --version` show it.
include(GNUInstallDirs)

set(YJGL_PACKAGING_DIR ${YJGL_SOURCE_DIR}/packaging)
set(YJGL_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS yjgl yjgl-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Pages, pictures, skins and the user's manual; the program finds them in PREFIX/share/yjgl.
install(DIRECTORY ${YJGL_SOURCE_DIR}/resources/LBReg ${YJGL_SOURCE_DIR}/resources/SKIN
                  ${YJGL_SOURCE_DIR}/resources/manual
        DESTINATION ${CMAKE_INSTALL_DATADIR}/yjgl)
install(FILES ${YJGL_PACKAGING_DIR}/yjgl.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${YJGL_PACKAGING_DIR}/yjgl.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)

# Manual pages and the changelog carry the version and are installed compressed, as Debian wants.
set(compressed)
foreach(source yjgl.1 yjgl-admin.1 changelog.in)
    string(REPLACE ".in" "" name ${source})
    configure_file(${YJGL_PACKAGING_DIR}/${source} ${YJGL_PACKAGING_OUT}/${name} @ONLY)
    add_custom_command(OUTPUT ${YJGL_PACKAGING_OUT}/${name}.gz
                       COMMAND gzip -9nf -k ${YJGL_PACKAGING_OUT}/${name}
                       DEPENDS ${YJGL_PACKAGING_OUT}/${name})
    list(APPEND compressed ${YJGL_PACKAGING_OUT}/${name}.gz)
endforeach()
add_custom_target(yjgl_package_files ALL DEPENDS ${compressed})
install(FILES ${YJGL_PACKAGING_OUT}/yjgl.1.gz ${YJGL_PACKAGING_OUT}/yjgl-admin.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${YJGL_PACKAGING_OUT}/changelog.gz ${YJGL_PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/yjgl)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME yjgl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "医技管理 developers <yjgl@hospital.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "medical-technology module of a hospital information system")
# CPack indents every line by one blank and turns the empty line into the " ." of a new paragraph.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Staff of laboratory, imaging and treatment-room departments sign in, choose
the department that executes orders at the workstation, execute the
prescriptions and orders waiting for it, void executed ones and query,
print and export them. The database is Microsoft SQL Server (through ODBC
and FreeTDS), PostgreSQL or an embedded SQLite database.

The package holds the program yjgl, the IT staff's tool yjgl-admin and the
user's manual in Chinese.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The shared libraries the programs link (Qt, SQLite, libpq, zint) come from dpkg-shlibdeps;
# these are the parts they load at run time or call by name (libpq and libodbc come with Qt's
# drivers, libxlsxwriter with the first workbook written).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "adduser, qt6-qpa-plugins, libqt6sql6-sqlite, libqt6sql6-odbc, libqt6sql6-psql, unixodbc, tdsodbc, libxlsxwriter4, fonts-wqy-zenhei, libcups2, cups-client, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${YJGL_PACKAGING_DIR}/postinst ${YJGL_PACKAGING_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
