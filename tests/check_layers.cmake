cmake_minimum_required(VERSION 3.22)
# Every folder may include only its own headers and those of the folders
# it names below: the layers of the program, each using only those before
# it, and beside them the simulated receiver, the tools, the bench, the
# fuzz targets and the tests. Both "..." and <...> includes of the
# project's headers count. No folders may include each other in a circle.
# cmake -DSOURCE_DIR=... -P check_layers.cmake
set(layers devicelib clock catalogue resources engine record pages wizard app cli)
set(uses_devicelib "")
set(uses_clock "")
set(uses_catalogue "")
set(uses_resources "")
set(uses_engine devicelib clock catalogue)
# The record implements what the engine asks of it; the window's pages
# know only the engine's side.
set(uses_record devicelib clock catalogue engine)
set(uses_pages devicelib clock catalogue resources engine)
set(uses_wizard devicelib clock catalogue resources engine pages)
set(uses_app devicelib clock catalogue resources engine record pages wizard)
# The command line: the engine and the record as the window has them, and
# the application's shell, no page and no window.
set(uses_cli devicelib clock catalogue resources engine record app)
# The simulated receiver stands beside the device interface; it knows
# nothing of the program above it.
set(uses_simulator devicelib clock)
# The autopilot reads the page ids; the image generator writes the
# catalogue's images in the simulator's layout.
set(uses_tools pages catalogue simulator)
set(uses_bench ${layers} simulator)
set(uses_fuzz ${layers} simulator tests)
set(uses_tests ${layers} simulator)
set(folders ${layers} simulator tools bench fuzz tests)

# Which folder each header name belongs to.
foreach(folder ${folders})
    file(GLOB_RECURSE headers RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h)
    foreach(header ${headers})
        get_filename_component(name ${header} NAME)
        list(APPEND home_${name} ${folder})
    endforeach()
endforeach()

set(problems "")
foreach(folder ${folders})
    set(reaches_${folder} "")
    file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
    foreach(source ${sources})
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
        foreach(line ${includes})
            string(REGEX REPLACE ".*[\"<]([^\">]*)[\">].*" "\\1" included "${line}")
            get_filename_component(name ${included} NAME)
            foreach(home ${home_${name}})
                if(home STREQUAL folder)
                    continue()
                endif()
                list(APPEND reaches_${folder} ${home})
                if(NOT home IN_LIST uses_${folder})
                    file(RELATIVE_PATH where ${SOURCE_DIR} ${source})
                    string(APPEND problems "${where} includes ${included} (${home}/)\n")
                endif()
            endforeach()
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES reaches_${folder})
endforeach()

# A circle: a folder that reaches itself through the folders it includes.
foreach(folder ${folders})
    set(reached ${reaches_${folder}})
    set(grown TRUE)
    while(grown)
        set(grown FALSE)
        foreach(through ${reached})
            foreach(next ${reaches_${through}})
                if(NOT next IN_LIST reached)
                    list(APPEND reached ${next})
                    set(grown TRUE)
                endif()
            endforeach()
        endforeach()
    endwhile()
    if(folder IN_LIST reached)
        string(APPEND problems "${folder}/ reaches itself through its includes (${reaches_${folder}})\n")
    endif()
endforeach()

if(problems)
    message(FATAL_ERROR "includes that cross the layers:\n${problems}")
endif()
message(STATUS "every include keeps to the layers")
