# Installation into a prefix (`cmake --install build --prefix /usr/local`):
#   bin/tarnix                                     the program
#   lib/tarnix/libmorvlink-sim.so                  the simulated instrument, off the default library path
#   share/tarnix/language/*.lug                    shipped language files
#   share/tarnix/language/MorvlinkHelp-*.html      the user guide per shipped language (+ images/)
#   share/tarnix/simulator/example.conf            a configuration for the simulated instrument
#   share/applications/tarnix.desktop              desktop menu entry
#   share/icons/hicolor/scalable/apps/tarnix.svg   its icon
# The installed program never writes into the prefix: Default.set goes to the user's configuration
# folder and the built-in language file to a per-user temporary folder.
include(GNUInstallDirs)

set(TARNIX_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/tarnix" CACHE STRING
    "Data folder of the program, relative to the prefix (holds language/)")
set(TARNIX_INSTALL_LIBDIR "${CMAKE_INSTALL_LIBDIR}/tarnix" CACHE STRING
    "Folder of the simulated instrument library, relative to the prefix")

if(TARGET tarnix)
    install(TARGETS tarnix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
endif()

# The simulator is a test instrument, not a driver: it stays out of the loader's search path and is
# chosen explicitly with MORVLINK_LIBRARY.
if(TARGET morvlink-sim)
    install(TARGETS morvlink-sim LIBRARY DESTINATION ${TARNIX_INSTALL_LIBDIR} COMPONENT simulator)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/simulator/example.conf
            DESTINATION ${TARNIX_INSTALL_DATADIR}/simulator COMPONENT simulator)
endif()

# Language files and, beside them, the help file of each language (the HTML guide on this platform).
# default_language.ini is compiled into the program and is not installed.
file(GLOB _tarnix_language_files ${PROJECT_SOURCE_DIR}/resources/language/*.lug)
file(GLOB _tarnix_help_files ${PROJECT_SOURCE_DIR}/docs/guide/MorvlinkHelp-*.html)
install(FILES ${_tarnix_language_files} ${_tarnix_help_files}
        DESTINATION ${TARNIX_INSTALL_DATADIR}/language COMPONENT program)
if(EXISTS ${PROJECT_SOURCE_DIR}/docs/guide/images)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/images
            DESTINATION ${TARNIX_INSTALL_DATADIR}/language COMPONENT program
            FILES_MATCHING PATTERN "*.png" PATTERN "*.svg" PATTERN "*.css")
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/docs/guide/guide.css)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/guide/guide.css
            DESTINATION ${TARNIX_INSTALL_DATADIR}/language COMPONENT program)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarnix.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT program)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarnix.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT program)
