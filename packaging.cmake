# Packages: a .deb and a portable .tar.gz (cpack in the build folder). A
# build that drives the simulated receiver says so in its name and words:
# nobody installs it to update a real receiver by mistake.
set(CPACK_PACKAGE_VENDOR "Orvex Firmware Updater developers")
set(CPACK_PACKAGE_CONTACT "Orvex Firmware Updater developers <support@orvex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION "A small wizard that finds an Orvex USB receiver, asks which
Scrivet Pack accessory set is used with it, and writes new firmware into
the receiver when its firmware is out of date.")
set(CPACK_PACKAGE_NAME ${ORVEX_PACKAGE_NAME})
if(ORVEX_DEVICE_LIBRARY)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for Orvex USB receivers")
    set(CPACK_DEBIAN_PACKAGE_CONFLICTS orvex-updater-simulated)
else()
    set(CPACK_DEBIAN_PACKAGE_CONFLICTS orvex-updater)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for Orvex USB receivers, simulated receiver")
    string(APPEND CPACK_PACKAGE_DESCRIPTION "
This demonstration build drives a simulated receiver: it reaches no real
receiver. It is for trying the updater and for training.")
endif()
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR "DEB;TGZ")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The pages ask for Arial: a metric-compatible face keeps every text in
# its place; the Chinese catalogues need a face with their glyphs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2 | fonts-liberation, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
