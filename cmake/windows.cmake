# The Windows build made on Linux with mingw-w64: where the runtime's and
# Qt's DLLs lie, and how its programs run here, under wine, each test in
# the build's own wine prefix (scripts/windows makes it).

# The mingw-w64 runtime the programs and Qt load.
set(ORVEX_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll zlib1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
        message(FATAL_ERROR "${dll} of the mingw-w64 runtime was not found")
    endif()
    get_filename_component(found "${found}" REALPATH)
    list(APPEND ORVEX_MINGW_RUNTIME ${found})
endforeach()

set(ORVEX_QT_WINDOWS_PREFIX "${QT6_INSTALL_PREFIX}")
set(ORVEX_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine" CACHE PATH "The wine prefix the Windows programs run in here")
set(ORVEX_TEST_FONTS "${CMAKE_BINARY_DIR}/fonts")
set(ORVEX_WINE_USER "王老师")

if(CMAKE_HOST_UNIX)
    # The tests find the project's own DLLs (the clock) where the programs are.
    set(dll_dirs "${ORVEX_QT_WINDOWS_PREFIX}/bin" "${CMAKE_BINARY_DIR}/bin")
    foreach(dll ${ORVEX_MINGW_RUNTIME})
        get_filename_component(dir "${dll}" DIRECTORY)
        list(APPEND dll_dirs "${dir}")
    endforeach()
    list(REMOVE_DUPLICATES dll_dirs)
    # As wine names them: the root of this system is its drive Z:.
    set(ORVEX_WINE_DLL_DIRS)
    foreach(dir ${dll_dirs})
        string(REPLACE "/" "\\" dir "Z:${dir}")
        string(APPEND ORVEX_WINE_DLL_DIRS "${dir};")
    endforeach()
    # Runs a Windows program with the QT_ variables that wine keeps from it.
    add_executable(envrun ${PROJECT_SOURCE_DIR}/tests/windows/envrun.cpp)
    target_link_options(envrun PRIVATE -municode)
    set(ORVEX_ENVRUN "${CMAKE_BINARY_DIR}/envrun.exe")
    set_target_properties(envrun PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    configure_file(${PROJECT_SOURCE_DIR}/tests/windows/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

# What the installed programs load besides Windows' own DLLs, beside them:
# the mingw-w64 runtime, Qt's libraries, and the two plugins Qt loads (the
# platform, and the style the window is drawn in). scripts/windows-packages
# checks the list against what the programs load under wine.
include(GNUInstallDirs)
install(FILES ${ORVEX_MINGW_RUNTIME} DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(library Core Gui Widgets)
    install(FILES ${ORVEX_QT_WINDOWS_PREFIX}/bin/Qt6${library}.dll DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
install(FILES ${ORVEX_QT_WINDOWS_PREFIX}/plugins/platforms/qwindows.dll DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
install(FILES ${ORVEX_QT_WINDOWS_PREFIX}/plugins/styles/qwindowsvistastyle.dll DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
